#pragma once

// The operating system's own services, picked here and nowhere else: the
// Windows API on Windows, the POSIX calls everywhere else.

#ifdef _WIN32
#include "platform/win/win_clock.h"
#include "platform/win/win_file_system.h"
#include "platform/win/win_list_files.h"
#include "platform/win/win_processes.h"
#else
#include "platform/posix/posix_clock.h"
#include "platform/posix/posix_file_system.h"
#include "platform/posix/posix_list_files.h"
#include "platform/posix/posix_processes.h"
#endif

namespace orlenda {

#ifdef _WIN32
using NativeClock = platform::WinClock;
using NativeFileSystem = platform::WinFileSystem;
using NativeListFiles = platform::WinListFiles;
using NativeProcesses = platform::WinProcesses;
#else
using NativeClock = platform::PosixClock;
using NativeFileSystem = platform::PosixFileSystem;
using NativeListFiles = platform::PosixListFiles;
using NativeProcesses = platform::PosixProcesses;
#endif

}  // namespace orlenda
