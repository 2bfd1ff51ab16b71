#pragma once

#include <string>
#include <string_view>

namespace orlenda::iecapt {

struct NormalisedAddress {
    std::string url;    // empty when the address was refused
    std::string error;  // why it was refused
};

// Turns the address as the caller passed it into one the browser can open.
// Surrounding blanks and a leading byte-order mark are dropped, also in their
// percent-encoded forms, since callers percent-encode blanks and control
// characters; the rest is kept exactly. An address without a scheme gets
// http://, and "host:port" is not mistaken for a scheme. Only web pages are
// opened: any scheme but http: and https: (and file: when allowed) is refused,
// so a list from someone else cannot turn local files into pictures.
NormalisedAddress normaliseAddress(std::string_view address, bool allowFileUrls);

// The scheme of an address in lower case ("http"), or empty when it has none.
std::string schemeOf(std::string_view url);

// Whether the page may end up at this address: http: and https:, and file:
// when allowed. Anything else in the main frame is not a web page.
bool isPageAddress(std::string_view url, bool allowFileUrls);

// Of an address as the browser writes it: its origin, scheme, host and port
// ("https://static.example.com:8443"), and its host alone
// ("static.example.com"); empty when it has no "//" authority.
std::string originOf(std::string_view url);
std::string hostOf(std::string_view url);

}  // namespace orlenda::iecapt
