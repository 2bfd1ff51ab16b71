#include "options.h"

#include <algorithm>
#include <charconv>
#include <functional>
#include <optional>
#include <set>
#include <string_view>

#include "browser_process.h"
#include "signal_watch.h"

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
        {"width", true, numberIn(&CaptureOptions::width, 1, kMaxPartSide, "width")},
        {"height", true, numberIn(&CaptureOptions::height, 1, kMaxPartSide, "height")},
        {"viewport-only", false, flagInto(&CaptureOptions::fullPage, false)},
        {"max-height", true,
         numberIn(&CaptureOptions::maxHeight, 1, kMaxImageHeight, "max-height")},
        {"quality", true, numberIn(&CaptureOptions::quality, 1, 100, "quality")},
        {"settle", true, numberIn(&CaptureOptions::settleMs, 0, 600000, "settle")},
        {"delay", true, numberIn(&CaptureOptions::delayMs, 0, 600000, "delay")},
        {"timeout", true, numberIn(&CaptureOptions::timeoutSeconds, 1, 86400, "timeout")},
        {"user-agent", true, textInto(&CaptureOptions::userAgent)},
        {"ignore-certificate-errors", false,
         flagInto(&CaptureOptions::ignoreCertificateErrors, true)},
        {"allow-file-urls", false, flagInto(&CaptureOptions::allowFileUrls, true)},
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

const OptionSpec* findOption(std::string_view name) {
    const auto spec =
        std::find_if(optionSpecs().begin(), optionSpecs().end(),
                     [&](const OptionSpec& candidate) { return candidate.name == name; });
    return spec == optionSpecs().end() ? nullptr : &*spec;
}

// Reads the options, one or two arguments each, and sets the others aside.
// Empty when all fit, otherwise why not.
std::string readOptions(const std::vector<std::string>& arguments, CaptureOptions& options,
                        std::set<std::string_view>& seen, std::vector<std::string>& others) {
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (optionsEnded || argument == "-" || !argument.starts_with("-")) {
            others.push_back(argument);
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        if (!argument.starts_with("--")) return "unknown option " + argument;
        const auto equals = argument.find('=');
        const std::string name =
            argument.substr(2, equals == std::string::npos ? std::string::npos : equals - 2);
        const OptionSpec* spec = findOption(name);
        if (spec == nullptr) return "unknown option --" + name;
        if (!seen.insert(spec->name).second) return "--" + name + " is given more than once";
        if (!spec->takesValue && equals != std::string::npos) {
            return "--" + name + " takes no value";
        }
        std::string_view value;
        if (equals != std::string::npos) {
            value = std::string_view(argument).substr(equals + 1);
        } else if (spec->takesValue) {
            if (++i == arguments.size()) return "--" + name + " needs a value";
            value = arguments[i];
        }
        if (std::string error = spec->apply(options, value); !error.empty()) return error;
    }
    return {};
}

}  // namespace

ParsedCommandLine parseCommandLine(const std::vector<std::string>& arguments) {
    const auto given = [&](std::string_view flag) {
        return std::find(arguments.begin(), arguments.end(), flag) != arguments.end();
    };
    ParsedCommandLine parsed;
    if (given("--help") || given("-h")) {
        parsed.action = ParsedCommandLine::Action::ShowHelp;
        return parsed;
    }
    if (given("--version")) {
        parsed.action = ParsedCommandLine::Action::ShowVersion;
        return parsed;
    }

    CaptureOptions& options = parsed.options;
    std::set<std::string_view> seen;
    std::vector<std::string> others;
    if (std::string error = readOptions(arguments, options, seen, others); !error.empty()) {
        return refuse(std::move(error));
    }
    // "iecapt ADDRESS FILE": the others fill what the options left open, in order.
    for (const auto& [name, field] :
         {std::pair{"url", &CaptureOptions::url}, std::pair{"out", &CaptureOptions::out}}) {
        if (others.empty() || seen.count(name)) continue;
        options.*field = others.front();
        others.erase(others.begin());
        seen.insert(name);
    }
    if (!others.empty()) return refuse("unexpected argument \"" + others.front() + "\"");
    if (!seen.count("url")) return refuse("no address given: iecapt ADDRESS FILE");
    if (!seen.count("out") || options.out.empty()) {
        return refuse("no output file given: iecapt ADDRESS FILE");
    }
    const auto format = imageFormatFor(options.out);
    if (!format) {
        return refuse("the output file must end in .jpg, .jpeg, .png or .webp: " + options.out);
    }
    options.format = *format;
    if (seen.count("user-agent") && options.userAgent.empty()) {
        return refuse("--user-agent needs a text");
    }
    if (seen.count("browser") && options.browser.empty()) {
        return refuse("--browser needs a program path");
    }
    parsed.action = ParsedCommandLine::Action::Capture;
    return parsed;
}

std::string helpText() {
    // Where the browser is looked for and how a stop ends differ by platform.
    return R"(Usage: iecapt [options] ADDRESS FILE
       iecapt --url=ADDRESS --out=FILE [options]

Renders the web page at ADDRESS with headless Chromium and saves it as an
image at FILE: JPEG, PNG or WebP, as the file's extension says (.jpg, .jpeg,
.png, .webp; no extension means JPEG). The image is written to a temporary
file beside FILE and moved into place only when it is complete, so an
existing file is replaced only by a good capture, and only when it is a
regular file.

  --url=ADDRESS        the page to capture: an http: or https: address, or
                       one without a scheme, which gets http://;
                       percent-encoded characters are kept
  --out=FILE           the image file to write

Options (--name=value and --name value both work):
  --width=PIXELS       width of the browser's viewport and of the image
                       (1-16384, default 1024)
  --height=PIXELS      height of the viewport (1-16384, default 768)
  --viewport-only      capture only the viewport; by default the whole page
  --max-height=PIXELS  cut whole pages taller than this (1-65500, default
                       65500; WebP images stop at 16383); a cut page is
                       reported on standard error
  --quality=N          JPEG and WebP quality, 1-100 (default 90)
  --settle=MS          the longest wait, once the page has loaded, for it to
                       settle: network quiet, animations ended, no more
                       changes (default 3000)
  --delay=MS           milliseconds to wait after the page has settled,
                       before the capture (default 0)
  --timeout=SECONDS    limit for the whole capture, browser start included
                       (default 60); a page whose own resources hang is
                       captured as it is after a third of it (15 s at most)
  --user-agent=TEXT    the User-Agent to send (default: the browser's own,
                       without "Headless")
  --ignore-certificate-errors
                       load HTTPS pages whose certificate is not trusted
  --allow-file-urls    also capture file: addresses, on purpose
)" + std::string(browserSearchHelp()) +
           R"(  --timings            print how long each phase took on standard error
  -h, --help           show this text and exit
  --version            show the version and exit

A page that answers with an HTTP error status (404, 500...) is captured as
the server sent it, with a note on standard error. Warnings and errors go to
standard error, one line each; after a failure its reason is the last line.

Exit status:
  0  the image was written
  1  unexpected failure
  2  bad arguments, or an address that is not a web page
  3  the browser could not be found, did not start or stopped working
  4  the page could not be loaded (unknown host, refused connection, a login
     asked for, a PDF document, a move to an address that is not a web page)
  5  the capture did not finish within --timeout
  6  the image could not be written
)" + std::string(stopHelp());
}

std::string versionText() { return "iecapt " IECAPT_VERSION " (Orlenda)\n"; }

}  // namespace orlenda::iecapt
