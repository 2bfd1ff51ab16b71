#pragma once

#include <string>
#include <vector>

namespace orlenda::iecapt {

inline constexpr int kMaxCaptureHeight = 16384;  // Chromium's texture limit at scale 1

// What one run of the tool is asked to do.
struct CaptureOptions {
    std::string url;  // as given; normalised later
    std::string out;
    int width = 1024;
    int height = 768;
    bool fullPage = true;
    int quality = 90;
    int delayMs = 0;
    int timeoutSeconds = 60;
    std::string userAgent;  // empty: the browser's own, without "Headless"
    bool ignoreCertificateErrors = false;
    std::string browser;  // empty: looked for on PATH
    bool timings = false;
};

struct ParsedCommandLine {
    enum class Action { Capture, ShowHelp, ShowVersion, Refuse };
    Action action = Action::Refuse;
    CaptureOptions options;
    std::string error;  // set when the action is Refuse
};

// Reads the arguments after the program name. --help and --version win over
// everything else; otherwise every argument must be a known option, given once.
ParsedCommandLine parseCommandLine(const std::vector<std::string>& arguments);

std::string helpText();
std::string versionText();

}  // namespace orlenda::iecapt
