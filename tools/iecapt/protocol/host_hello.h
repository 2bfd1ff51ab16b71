#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orlenda::iecapt {

// What makes two captures' pictures come out the same from one browser: the
// same build of the tool, the same browser, and the same environment where
// it shapes a picture (time zone, language, fonts, proxies).
struct HostIdentity {
    std::string tool;
    std::string browser;
    std::vector<std::string> environment;  // NAME=value, in order

    bool operator==(const HostIdentity&) const = default;
};

// The first message a capture sends the host, and the host's answers: it
// serves a capture of its own identity only, and says whose it is, so that a
// capture never takes the word of a host of another build. A host still
// starting its browser says so at once, and that it serves once it does.
enum class HostAnswer { Serving, Starting, Refused };
std::string helloText(const HostIdentity& capture);
std::optional<HostIdentity> readHello(std::string_view message);
std::string answerText(const HostIdentity& host, HostAnswer answer);
// What the answer means for this capture: refused too when the host is of
// another identity, or the answer cannot be read.
HostAnswer readAnswer(std::string_view answer, const HostIdentity& capture);

}  // namespace orlenda::iecapt
