#include "options/options.h"

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
        {"width", true, numberIn(&CaptureOptions::width, 1, kMaxPartSide, "width")},
        {"height", true, numberIn(&CaptureOptions::height, 1, kMaxPartSide, "height")},
        {"viewport-only", false, flagInto(&CaptureOptions::fullPage, false)},
        {"max-height", true,
         numberIn(&CaptureOptions::maxHeight, 1, kMaxImageHeight, "max-height")},
        {"quality", true, numberIn(&CaptureOptions::quality, 1, 100, "quality")},
        {"settle", true, numberIn(&CaptureOptions::settleMs, 0, 600000, "settle")},
        {"slow-cpu", true, numberIn(&CaptureOptions::cpuSlowdown, 1, 20, "slow-cpu")},
        {"delay", true, numberIn(&CaptureOptions::delayMs, 0, 600000, "delay")},
        {"timeout", true, numberIn(&CaptureOptions::timeoutSeconds, 1, 86400, "timeout")},
        {"user-agent", true, textInto(&CaptureOptions::userAgent)},
        {"ignore-certificate-errors", false,
         flagInto(&CaptureOptions::ignoreCertificateErrors, true)},
        {"allow-file-urls", false, flagInto(&CaptureOptions::allowFileUrls, true)},
        {"keep-consent-banners", false, flagInto(&CaptureOptions::keepConsentBanners, true)},
        {"browser", true, textInto(&CaptureOptions::browser)},
        {"timings", false, flagInto(&CaptureOptions::timings, true)},
        {"no-host", false, flagInto(&CaptureOptions::useHost, false)},
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

// The capture host's settings from the environment; empty when they fit,
// otherwise why not.
std::string readHostEnvironment(const std::vector<std::string>& environment,
                                CaptureOptions& options) {
    for (const std::string& entry : environment) {
        const auto equals = entry.find('=');
        const std::string_view name = std::string_view(entry).substr(0, equals);
        const std::string_view value =
            equals == std::string::npos ? "" : std::string_view(entry).substr(equals + 1);
        if (name == "IECAPT_NO_HOST" && !value.empty() && value != "0") options.useHost = false;
        // Set but empty, as a shell's "IECAPT_HOST_IDLE= iecapt ..." leaves it: the default.
        if (name != "IECAPT_HOST_IDLE" || value.empty()) continue;
        const auto seconds = parseWholeNumber(value);
        if (!seconds || *seconds > kMaxHostIdleSeconds) {
            return "IECAPT_HOST_IDLE must be a whole number of seconds from 0 to " +
                   std::to_string(kMaxHostIdleSeconds) + ", not \"" + std::string(value) + "\"";
        }
        options.hostIdleSeconds = *seconds;
    }
    return {};
}

}  // namespace

ParsedCommandLine parseCommandLine(const std::vector<std::string>& arguments,
                                   const std::vector<std::string>& environment) {
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
    options.timeoutGiven = seen.count("timeout") > 0;
    if (seen.count("user-agent") && options.userAgent.empty()) {
        return refuse("--user-agent needs a text");
    }
    if (seen.count("browser") && options.browser.empty()) {
        return refuse("--browser needs a program path");
    }
    if (std::string error = readHostEnvironment(environment, options); !error.empty()) {
        return refuse(std::move(error));
    }
    parsed.action = ParsedCommandLine::Action::Capture;
    return parsed;
}

PictureRequest pictureRequestOf(const CaptureOptions& options) {
    return {.width = options.width,
            .viewportHeight = options.height,
            .fullPage = options.fullPage,
            .maxHeight = options.maxHeight,
            .format = options.format};
}

}  // namespace orlenda::iecapt
