#include "options/address.h"

#include <array>
#include <cctype>
#include <span>

namespace orlenda::iecapt {
namespace {

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(text[i])) !=
            std::tolower(static_cast<unsigned char>(prefix[i]))) {
            return false;
        }
    }
    return true;
}

bool endsWithNoCase(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() &&
           startsWithNoCase(text.substr(text.size() - suffix.size()), suffix);
}

// Blanks as they may reach us: raw, or percent-encoded by the caller.
constexpr std::array<std::string_view, 10> kBlanks = {" ",   "\t",  "\r",  "\n",  "\v",
                                                      "%20", "%09", "%0D", "%0A", "%0B"};
constexpr std::array<std::string_view, 2> kByteOrderMarks = {"\xEF\xBB\xBF", "%EF%BB%BF"};

enum class End { Front, Back };

// Drops the first of the pieces found at that end of the text.
bool dropOneOf(std::string_view& text, std::span<const std::string_view> pieces, End end) {
    for (const std::string_view piece : pieces) {
        if (end == End::Front && startsWithNoCase(text, piece)) {
            text.remove_prefix(piece.size());
            return true;
        }
        if (end == End::Back && endsWithNoCase(text, piece)) {
            text.remove_suffix(piece.size());
            return true;
        }
    }
    return false;
}

// "name:" at the start, where name is a scheme (RFC 3986) and what follows the
// colon is not a port number: "localhost:8080/x" has no scheme.
bool hasScheme(std::string_view text) {
    const auto colon = text.find(':');
    if (colon == std::string_view::npos || colon == 0 ||
        !std::isalpha(static_cast<unsigned char>(text[0]))) {
        return false;
    }
    for (const char c : text.substr(0, colon)) {
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '+' && c != '-' && c != '.') {
            return false;
        }
    }
    std::size_t digits = colon + 1;
    while (digits < text.size() && std::isdigit(static_cast<unsigned char>(text[digits]))) ++digits;
    const bool looksLikePort = digits > colon + 1 && (digits == text.size() ||
                                                      text.find_first_of("/?#", digits) == digits);
    return !looksLikePort;
}

}  // namespace

std::string schemeOf(std::string_view url) {
    if (!hasScheme(url)) return {};
    std::string scheme(url.substr(0, url.find(':')));
    for (char& c : scheme) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return scheme;
}

bool isPageAddress(std::string_view url, bool allowFileUrls) {
    const std::string scheme = schemeOf(url);
    return scheme == "http" || scheme == "https" || (allowFileUrls && scheme == "file");
}

std::string originOf(std::string_view url) {
    const std::size_t authority = schemeOf(url).size() + 3;
    if (authority == 3 || url.substr(authority - 3, 3) != "://") return {};
    return std::string(url.substr(0, url.find_first_of("/?#", authority)));
}

std::string hostOf(std::string_view url) {
    const std::string origin = originOf(url);
    if (origin.empty()) return {};
    std::string_view host = std::string_view(origin).substr(schemeOf(origin).size() + 3);
    if (const auto login = host.rfind('@'); login != std::string_view::npos) {
        host.remove_prefix(login + 1);
    }
    // An IPv6 address keeps its brackets, and its colons are no port.
    const auto port = host.find(':', host.starts_with('[') ? host.find(']') : 0);
    return std::string(host.substr(0, port));
}

NormalisedAddress normaliseAddress(std::string_view address, bool allowFileUrls) {
    std::string_view text = address;
    while (dropOneOf(text, kBlanks, End::Front) || dropOneOf(text, kByteOrderMarks, End::Front)) {
    }
    while (dropOneOf(text, kBlanks, End::Back)) {
    }
    if (text.empty()) return {{}, "the address is empty"};
    if (text.substr(0, 2) == "//") return {"http:" + std::string(text), {}};
    if (!hasScheme(text)) return {"http://" + std::string(text), {}};
    if (isPageAddress(text, allowFileUrls)) return {std::string(text), {}};
    const std::string scheme = schemeOf(text);
    if (scheme == "file") return {{}, "file: addresses are captured only with --allow-file-urls"};
    return {{}, "only web pages are captured (http: or https:), not " + scheme.substr(0, 40) + ":"};
}

}  // namespace orlenda::iecapt
