#pragma once

#include "platform/text_limit.h"

namespace orlenda::platform {

// The longest argument a started program can be given.
#ifdef _WIN32
// CreateProcess takes one command line of at most 32,767 UTF-16 units, its NUL
// included. The tool's path and the output path, at most MAX_PATH each and in
// quotes, and " --url=" and " --out=" leave the rest to the address argument.
inline constexpr TextLimit kArgumentLimit{32767 - 1 - 2 * (260 + 2) - 14, TextUnit::Utf16Units};
#else
// Linux's MAX_ARG_STRLEN: 32 pages of 4 KiB for one argument, its NUL included.
inline constexpr TextLimit kArgumentLimit{131072 - 1, TextUnit::Utf8Bytes};
#endif

}  // namespace orlenda::platform
