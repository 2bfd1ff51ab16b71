#pragma once

#include <cstddef>

namespace orlenda::platform {

// How the platform counts the length of a name, path or argument it is given.
enum class TextUnit {
    Utf8Bytes,   // POSIX: the bytes of the UTF-8 text
    Utf16Units,  // Windows: the UTF-16 code units the text becomes
};

// The longest text the platform takes somewhere, its terminating NUL not counted.
struct TextLimit {
    std::size_t longest;
    TextUnit unit;
};

}  // namespace orlenda::platform
