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
// http://, and "host:port" is not mistaken for a scheme.
NormalisedAddress normaliseAddress(std::string_view address);

}  // namespace orlenda::iecapt
