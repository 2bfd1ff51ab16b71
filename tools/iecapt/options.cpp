#include "options.h"

#include <algorithm>
#include <charconv>
#include <functional>
#include <optional>
#include <set>
#include <string_view>

namespace orlenda::iecapt {
namespace {

std::optional<int> parseWholeNumber(std::string_view text) {
    int value = 0;
    const auto* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc{} || stop != end || text.front() == '-') {
        return std::nullopt;
    }
    return value;
}

struct OptionSpec {
    std::string_view name;
    bool takesValue;
    // Stores the value; returns an error text, or an empty text when it fits.
    std::function<std::string(CaptureOptions&, std::string_view)> apply;
};

std::function<std::string(CaptureOptions&, std::string_view)> numberIn(int CaptureOptions::*field,
                                                                       int lowest, int highest,
                                                                       std::string_view name) {
    return [=](CaptureOptions& options, std::string_view text) -> std::string {
        const auto value = parseWholeNumber(text);
        if (!value || *value < lowest || *value > highest) {
            return "--" + std::string(name) + " must be a whole number from " +
                   std::to_string(lowest) + " to " + std::to_string(highest) + ", not \"" +
                   std::string(text) + "\"";
        }
        options.*field = *value;
        return {};
    };
}

std::function<std::string(CaptureOptions&, std::string_view)> textInto(
    std::string CaptureOptions::*field) {
    return [=](CaptureOptions& options, std::string_view text) -> std::string {
        options.*field = std::string(text);
        return {};
    };
}

std::function<std::string(CaptureOptions&, std::string_view)> flagInto(bool CaptureOptions::*field,
                                                                       bool value) {
    return [=](CaptureOptions& options, std::string_view) -> std::string {
        options.*field = value;
        return {};
    };
}

const std::vector<OptionSpec>& optionSpecs() {
    static const std::vector<OptionSpec> specs = {
        {"url", true, textInto(&CaptureOptions::url)},
        {"out", true, textInto(&CaptureOptions::out)},
        {"width", true, numberIn(&CaptureOptions::width, 1, kMaxCaptureHeight, "width")},
        {"height", true, numberIn(&CaptureOptions::height, 1, kMaxCaptureHeight, "height")},
        {"viewport-only", false, flagInto(&CaptureOptions::fullPage, false)},
        {"quality", true, numberIn(&CaptureOptions::quality, 1, 100, "quality")},
        {"delay", true, numberIn(&CaptureOptions::delayMs, 0, 600000, "delay")},
        {"timeout", true, numberIn(&CaptureOptions::timeoutSeconds, 1, 86400, "timeout")},
        {"user-agent", true, textInto(&CaptureOptions::userAgent)},
        {"ignore-certificate-errors", false,
         flagInto(&CaptureOptions::ignoreCertificateErrors, true)},
        {"browser", true, textInto(&CaptureOptions::browser)},
        {"timings", false, flagInto(&CaptureOptions::timings, true)},
    };
    return specs;
}

ParsedCommandLine refuse(std::string error) {
    ParsedCommandLine parsed;
    parsed.action = ParsedCommandLine::Action::Refuse;
    parsed.error = std::move(error);
    return parsed;
}

}  // namespace

ParsedCommandLine parseCommandLine(const std::vector<std::string>& arguments) {
    const auto given = [&](std::string_view flag) {
        return std::find(arguments.begin(), arguments.end(), flag) != arguments.end();
    };
    ParsedCommandLine parsed;
    if (given("--help")) {
        parsed.action = ParsedCommandLine::Action::ShowHelp;
        return parsed;
    }
    if (given("--version")) {
        parsed.action = ParsedCommandLine::Action::ShowVersion;
        return parsed;
    }

    std::set<std::string_view> seen;
    for (const std::string& argument : arguments) {
        if (argument.size() < 3 || argument.compare(0, 2, "--") != 0) {
            return refuse("unexpected argument \"" + argument +
                          "\" (options look like --name=value)");
        }
        const auto equals = argument.find('=');
        const std::string_view name = std::string_view(argument).substr(
            2, equals == std::string::npos ? std::string::npos : equals - 2);
        const auto spec =
            std::find_if(optionSpecs().begin(), optionSpecs().end(),
                         [&](const OptionSpec& candidate) { return candidate.name == name; });
        if (spec == optionSpecs().end()) {
            return refuse("unknown option --" + std::string(name) + " (see --help)");
        }
        if (!seen.insert(spec->name).second) {
            return refuse("--" + std::string(name) + " is given more than once");
        }
        if (spec->takesValue && equals == std::string::npos) {
            return refuse("--" + std::string(name) + " needs a value: --" + std::string(name) +
                          "=...");
        }
        if (!spec->takesValue && equals != std::string::npos) {
            return refuse("--" + std::string(name) + " takes no value");
        }
        const std::string_view value = equals == std::string::npos
                                           ? std::string_view{}
                                           : std::string_view(argument).substr(equals + 1);
        if (const std::string error = spec->apply(parsed.options, value); !error.empty()) {
            return refuse(error);
        }
    }
    if (!seen.count("url")) return refuse("--url=ADDRESS is required");
    if (!seen.count("out")) return refuse("--out=PATH is required");
    if (parsed.options.out.empty()) return refuse("--out needs a file path");
    if (seen.count("user-agent") && parsed.options.userAgent.empty()) {
        return refuse("--user-agent needs a text");
    }
    if (seen.count("browser") && parsed.options.browser.empty()) {
        return refuse("--browser needs a program path");
    }
    parsed.action = ParsedCommandLine::Action::Capture;
    return parsed;
}

std::string helpText() {
    return R"(Usage: iecapt --url=ADDRESS --out=PATH [options]

Renders the web page at ADDRESS with headless Chromium and saves it as a JPEG
image at PATH. The image is written to a temporary file beside PATH and moved
into place only when it is complete, so an existing file is replaced only by a
good capture.

Required:
  --url=ADDRESS        the page to capture; percent-encoded characters are kept,
                       an address without a scheme gets http://
  --out=PATH           the JPEG file to write

Options:
  --width=PIXELS       width of the browser's viewport and of the image
                       (1-16384, default 1024)
  --height=PIXELS      height of the viewport (1-16384, default 768)
  --viewport-only      capture only the viewport; by default the whole page
                       is captured, up to 16384 pixels high
  --quality=N          JPEG quality, 1-100 (default 90)
  --delay=MS           milliseconds to wait after the page has loaded and
                       settled, before the capture (default 0)
  --timeout=SECONDS    limit for the whole capture, browser start included
                       (default 60)
  --user-agent=TEXT    the User-Agent to send (default: the browser's own,
                       without "Headless")
  --ignore-certificate-errors
                       load HTTPS pages whose certificate is not trusted
  --browser=PATH       the browser to run (default: chromium, chromium-browser
                       or google-chrome, looked for on PATH)
  --timings            print how long each phase took on standard error
  --help               show this text and exit
  --version            show the version and exit

A page that answers with an HTTP error status (404, 500...) is captured as
the server sent it, with a note on standard error.

Exit status:
  0  the image was written
  1  unexpected failure
  2  bad arguments
  3  the browser could not be found, did not start or stopped working
  4  the page could not be loaded (unknown host, refused connection,
     certificate not trusted, ...)
  5  the capture did not finish within --timeout
  6  the image could not be written
  On SIGINT or SIGTERM the browser is stopped, nothing is written, and the
  tool ends by that same signal.
)";
}

std::string versionText() { return "iecapt " IECAPT_VERSION " (Orlenda)\n"; }

}  // namespace orlenda::iecapt
