#pragma once

#include <string>
#include <vector>

#include "picture/image_format.h"
#include "picture/picture_plan.h"

namespace orlenda::iecapt {

inline constexpr int kDefaultTimeoutSeconds = 60;

// How long a capture host waits for another capture before it ends.
inline constexpr int kDefaultHostIdleSeconds = 30;
inline constexpr int kMaxHostIdleSeconds = 3600;

// What one run of the tool is asked to do.
struct CaptureOptions {
    std::string url;  // as given; normalised later
    std::string out;
    ImageFormat format = ImageFormat::Jpeg;  // follows the extension of out
    int width = 1024;
    int height = 768;
    bool fullPage = true;
    int maxHeight = kMaxImageHeight;
    int quality = 90;
    int settleMs = 3000;
    int cpuSlowdown = 1;  // the page's CPU throttled this many times
    int delayMs = 0;
    int timeoutSeconds = kDefaultTimeoutSeconds;
    bool timeoutGiven = false;  // kept whatever the picture's size
    std::string userAgent;      // empty: the browser's own, without "Headless"
    bool ignoreCertificateErrors = false;
    bool allowFileUrls = false;
    bool keepConsentBanners = false;  // leave cookie and consent banners unanswered
    std::string browser;              // empty: looked for on PATH
    bool timings = false;
    bool useHost = true;  // capture in this user's shared browser, started when there is none
    int hostIdleSeconds = kDefaultHostIdleSeconds;  // how long a host started here waits for more
};

// The picture the options ask for, for the one height rule that the scroll,
// the plan and the budget share (picture_plan.h).
PictureRequest pictureRequestOf(const CaptureOptions& options);

struct ParsedCommandLine {
    enum class Action { Capture, ShowHelp, ShowVersion, Refuse };
    Action action = Action::Refuse;
    CaptureOptions options;
    std::string error;  // set when the action is Refuse
};

// Reads the arguments after the program name. -h, --help and --version win
// over everything else. Options are --name=value or --name value, each given
// once; "--" ends them. Up to two other arguments stand for the address and
// the output file, where those were not given as options. Of the environment
// (NAME=value entries), IECAPT_NO_HOST (any value but "" and "0") does what
// --no-host does, and IECAPT_HOST_IDLE (empty: the default) sets the seconds
// a host started by this capture waits for the next.
ParsedCommandLine parseCommandLine(const std::vector<std::string>& arguments,
                                   const std::vector<std::string>& environment = {});

}  // namespace orlenda::iecapt
