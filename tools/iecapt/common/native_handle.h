#pragma once

namespace orlenda::iecapt {

// What the system hands out for a pipe end or an event to wait on: a file
// descriptor on POSIX systems, a HANDLE on Windows.
#ifdef _WIN32
using NativeHandle = void*;
#else
using NativeHandle = int;
#endif

}  // namespace orlenda::iecapt
