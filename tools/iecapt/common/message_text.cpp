#include "common/message_text.h"

#include <algorithm>
#include <regex>
#include <utility>

#include "shared/text/visible_line.h"

namespace orlenda::iecapt {
namespace {

using text::utf8Start;

constexpr std::size_t kLongestAddress = 200;
constexpr std::size_t kAddressStart = 150;
constexpr std::size_t kLongestPageText = 60;
// A status line's words or a browser's code: no more is worth a reason.
constexpr std::size_t kLongestServerWords = 100;

}  // namespace

std::string oneLine(std::string_view text) { return text::visibleLine(text); }

std::string shortAddress(std::string_view url) {
    if (url.size() <= kLongestAddress) return oneLine(url);
    return oneLine(utf8Start(url, kAddressStart)) + "... (" + std::to_string(url.size()) +
           " characters)";
}

std::string shortPageText(std::string_view text) {
    if (text.size() <= kLongestPageText) return oneLine(text);
    return oneLine(utf8Start(text, kLongestPageText)) + "...";
}

namespace {

// "[pid:tid:MMDD/HHMMSS.micro:LEVEL:file(line)] text"; crashpad's lines lack
// the pid and tid.
const std::regex& browserLogLine() {
    static const std::regex logLine(
        R"(^\[(?:\d+:\d+:)?\d{4}/\d{6}\.\d+:([A-Z]+[0-9]*):[^\]]*\] ?(.*))");
    return logLine;
}

}  // namespace

bool isBrowserLogLine(std::string_view line) {
    return std::regex_match(line.begin(), line.end(), browserLogLine());
}

std::string fatalLogText(std::string_view line) {
    std::match_results<std::string_view::const_iterator> parts;
    if (!std::regex_match(line.begin(), line.end(), parts, browserLogLine()) ||
        parts[1] != "FATAL") {
        return {};
    }
    return parts[2].str();
}

}  // namespace orlenda::iecapt

namespace orlenda::iecapt {

namespace {

// Chromium's codes for the failures users meet most, by the start of the code.
constexpr std::pair<std::string_view, std::string_view> kLoadErrors[] = {
    {"net::ERR_NAME_NOT_RESOLVED", "the host name could not be found"},
    {"net::ERR_NAME_RESOLUTION_FAILED", "the host name could not be found"},
    {"net::ERR_CONNECTION_REFUSED", "the server refused the connection"},
    {"net::ERR_CONNECTION_TIMED_OUT", "the connection timed out"},
    {"net::ERR_TIMED_OUT", "the connection timed out"},
    {"net::ERR_CONNECTION_RESET", "the server broke off the connection"},
    {"net::ERR_CONNECTION_CLOSED", "the server broke off the connection"},
    {"net::ERR_EMPTY_RESPONSE", "the server sent nothing back"},
    {"net::ERR_ADDRESS_UNREACHABLE", "the server cannot be reached"},
    {"net::ERR_INTERNET_DISCONNECTED", "there is no network connection"},
    {"net::ERR_UNSAFE_PORT", "the browser does not allow this port"},
    {"net::ERR_CERT_", "the site's certificate is not trusted"},
    {"net::ERR_SSL_", "a secure connection could not be made"},
    {"net::ERR_BAD_SSL_", "a secure connection could not be made"},
    {"net::ERR_TOO_MANY_REDIRECTS", "too many redirects"},
    // Downloads are refused, and a refused download ends its navigation so.
    {"net::ERR_ABORTED", "the address is a file download, not a page"},
    {"net::ERR_INVALID_AUTH_CREDENTIALS", "the site asks for a login"},
    {"net::ERR_UNSAFE_REDIRECT",
     "the site sends the browser on to an address that is not a web page"},
};

// What servers usually say with the error statuses met most; HTTP/2 sends
// no words at all.
constexpr std::pair<int, std::string_view> kStatusWords[] = {
    {400, "Bad Request"},
    {401, "Unauthorized"},
    {403, "Forbidden"},
    {404, "Not Found"},
    {405, "Method Not Allowed"},
    {408, "Request Timeout"},
    {410, "Gone"},
    {429, "Too Many Requests"},
    {451, "Unavailable For Legal Reasons"},
    {500, "Internal Server Error"},
    {501, "Not Implemented"},
    {502, "Bad Gateway"},
    {503, "Service Unavailable"},
    {504, "Gateway Timeout"},
};

// Hosts a message names before it counts the rest.
constexpr std::size_t kHostsNamed = 3;

// 84689 as "84,689".
std::string grouped(int number) {
    const std::string digits = std::to_string(number);
    const std::size_t sign = number < 0 ? 1 : 0;
    std::string text = digits.substr(0, sign);
    for (std::size_t at = sign; at < digits.size(); ++at) {
        if (at > sign && (digits.size() - at) % 3 == 0) text += ',';
        text += digits[at];
    }
    return text;
}

// 2,345,678,901 bytes as "2.3 GB".
std::string gigabytes(std::int64_t bytes) {
    const std::int64_t tenths = (bytes + 50'000'000) / 100'000'000;
    return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + " GB";
}

std::string pictureSize(int width, int height) {
    return "a picture up to " + grouped(width) + " x " + grouped(height) + " px";
}

}  // namespace

std::string describeLoadError(std::string_view errorText) {
    const std::string code = oneLine(utf8Start(errorText, kLongestServerWords));
    for (const auto& [start, sentence] : kLoadErrors) {
        if (code.starts_with(start)) return std::string(sentence) + " (" + code + ")";
    }
    return "the page could not be loaded (" + code + ")";
}

bool mayBeTheBrowsersPlight(ExitCode code, std::string_view reason) {
    constexpr std::string_view kPlights[] = {
        "(net::ERR_ABORTED)", "(net::ERR_INSUFFICIENT_RESOURCES)", "(net::ERR_OUT_OF_MEMORY)"};
    return code == ExitCode::BrowserFailed ||
           (code == ExitCode::PageNotLoaded &&
            std::ranges::any_of(kPlights,
                                [&](std::string_view plight) { return reason.ends_with(plight); }));
}

std::string outOfFilesReason(long long limit) {
    return "the browser ran out of open files: no more than " + std::to_string(limit) +
           " may be open here (ulimit -n)";
}

std::string describeHttpStatus(int status, std::string_view statusText) {
    std::string note = "the server answered " + std::to_string(status);
    std::string words = oneLine(utf8Start(statusText, kLongestServerWords));
    for (const auto& [known, usual] : kStatusWords) {
        if (words.empty() && known == status) words = usual;
    }
    if (!words.empty()) note += " " + words;
    if (status == 401 || status == 407) note += "; the site asks for a login";
    return note;
}

std::string describeTimeOut(int seconds, std::string_view failure) {
    constexpr std::string_view kTimedOut = "timed out";
    const std::string after = "timed out after " + std::to_string(seconds) + " s";
    if (failure.starts_with(kTimedOut)) return after + oneLine(failure.substr(kTimedOut.size()));
    return after + ": " + oneLine(failure);
}

std::string heightCutWarning(int pageHeight, int shownHeight) {
    return "the page is " + grouped(pageHeight) + " px high; the picture shows its top " +
           grouped(shownHeight) + " px";
}

std::string widthCutWarning(int pageWidth, int shownWidth) {
    return "the page is " + grouped(pageWidth) + " px wide; the picture shows its left " +
           grouped(shownWidth) + " px";
}

std::string pictureCostNote(int width, int height, int seconds, std::int64_t bytes,
                            int timeoutSeconds) {
    return pictureSize(width, height) + " may take up to " + std::to_string(seconds) +
           " s and about " + gigabytes(bytes) + " of memory" +
           (timeoutSeconds < seconds
                ? "; --timeout=" + std::to_string(timeoutSeconds) + " may end it first"
                : std::string());
}

std::string memoryRefusal(int width, int height, std::int64_t needed, std::int64_t available,
                          std::string_view heightOption) {
    return pictureSize(width, height) + " needs about " + gigabytes(needed) + " of memory and " +
           gigabytes(available) + " is available; lower --width or " + std::string(heightOption);
}

namespace {

// The first few hosts, and how many more.
std::string namedHosts(const std::vector<std::string>& hosts) {
    const std::size_t named = std::min(hosts.size(), kHostsNamed);
    std::string list;
    for (std::size_t i = 0; i < named; ++i) {
        const bool last = i + 1 == named && named == hosts.size();
        list += (i == 0 ? "" : last ? " and " : ", ") + shortAddress(hosts[i]);
    }
    if (named < hosts.size()) {
        const std::size_t rest = hosts.size() - named;
        list += " and " + std::to_string(rest) + (rest == 1 ? " more host" : " more hosts");
    }
    return list;
}

}  // namespace

std::string gaveUpWaitingFor(const std::vector<std::string>& hosts, int seconds) {
    return "gave up waiting for " + namedHosts(hosts) + " after " + std::to_string(seconds) + " s";
}

std::string notLoadedForHostsReason(const std::vector<std::string>& hosts, int seconds) {
    return "the page did not load: " + gaveUpWaitingFor(hosts, seconds);
}

std::string loadUnfinishedWarning(int seconds) {
    return "the page was still busy after " + std::to_string(seconds) + " s; captured as it was";
}

std::string consentRulesMissingWarning(std::string_view path) {
    return "the consent-banner rules are missing (" + oneLine(path) +
           "); banners were left on the page";
}

std::string describeBrowserQuit(std::string_view activity) {
    constexpr std::string_view kItself = " the browser";
    if (activity.ends_with(kItself)) activity.remove_suffix(kItself.size());
    return "the browser quit while " + oneLine(activity);
}

std::string describeIncompleteImage(std::string_view formatName) {
    return "the browser sent no complete " + std::string(formatName) + " image";
}

namespace {

// " (Onetrust)", or nothing when the rules gave no name.
std::string bannerName(std::string_view banner) {
    return banner.empty() ? std::string() : " (" + shortPageText(banner) + ")";
}

}  // namespace

std::string consentClosedNote(std::string_view banner) {
    return "closed a consent banner" + bannerName(banner);
}

std::string consentHiddenNote(std::string_view banner) {
    return "hid a consent banner" + bannerName(banner);
}

std::string consentStayedWarning(std::string_view banner) {
    return "a consent banner stayed on the page" + bannerName(banner) + "; captured with it";
}

std::string consentLeftPageWarning(std::string_view banner, std::string_view destination) {
    return "answering the consent banner" + bannerName(banner) + " would have left the page for " +
           shortPageText(destination) + "; captured with the banner";
}

std::string notSettledWarning(std::string_view moving, bool budgetSpent, int settleMs) {
    return (budgetSpent ? "the page was still changing after " + std::to_string(settleMs) + " ms ("
                        : std::string("the page did not settle (")) +
           std::string(moving) + "); captured as it was";
}

std::string blankFramesWarning(const std::vector<std::string>& hosts) {
    return "frames of other sites below the window are blank in the picture (" + namedHosts(hosts) +
           ")";
}

std::string refreshLaterWarning(std::string_view url, int seconds) {
    return "the page moves on to " + shortAddress(url) + " in " + std::to_string(seconds) +
           " s; captured before it does";
}

}  // namespace orlenda::iecapt
