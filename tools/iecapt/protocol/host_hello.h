#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orlenda::iecapt {

// What makes two captures' pictures come out the same from one browser: the
// same build of the tool, the same browser, the same environment (all of
// it that reaches the browser and can change what it does) and the same
// limits of the process on what the browser may use.
struct HostIdentity {
    std::string tool;
    std::string browser;
    std::vector<std::string> environment;  // NAME=value, in order
    std::vector<std::string> limits;       // name=value, in order

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

// The host's own words after the hello, told from the browser's messages it
// relays by how they begin. A capture that found its host failed it where a
// browser of its own did not asks it to retire: to take no new capture, and
// to end once those it serves have. The host tells a capture it ends it,
// and why (a message of the browser's for it was too long to relay).
bool isHostMessage(std::string_view message);
std::string retireText();
bool isRetire(std::string_view message);
std::string endedText(std::string_view reason);
// The reason an end gives; nothing when the message is no end.
std::optional<std::string> readEnded(std::string_view message);

}  // namespace orlenda::iecapt
