#include "base64.h"

extern "C" {
#include <b64/cdecode.h>
}

namespace orlenda::iecapt {

std::string decodeBase64(std::string_view text) {
    std::string bytes(text.size() / 4 * 3 + 3, '\0');
    base64_decodestate state;
    base64_init_decodestate(&state);
    const int length =
        base64_decode_block(text.data(), static_cast<int>(text.size()), bytes.data(), &state);
    bytes.resize(static_cast<std::size_t>(length));
    return bytes;
}

}  // namespace orlenda::iecapt
