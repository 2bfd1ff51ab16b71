#pragma once

// The operating system's own services, picked here and nowhere else: the
// Windows API on Windows, the POSIX calls everywhere else.

#ifdef _WIN32
#include "platform/win/win_clock.h"
#include "platform/win/win_file_system.h"
#include "platform/win/win_list_files.h"
#include "platform/win/win_processes.h"
#include "platform/win/win_stop_requests.h"
#else
#include "platform/posix/posix_clock.h"
#include "platform/posix/posix_file_system.h"
#include "platform/posix/posix_list_files.h"
#include "platform/posix/posix_processes.h"
#include "platform/posix/posix_runtime_folder.h"
#include "platform/posix/posix_stop_requests.h"
#endif

namespace orlenda {

#ifdef _WIN32
using NativeClock = platform::WinClock;
using NativeFileSystem = platform::WinFileSystem;
using NativeListFiles = platform::WinListFiles;
using NativeProcesses = platform::WinProcesses;
using NativeStopRequests = platform::WinStopRequests;
#else
using NativeClock = platform::PosixClock;
using NativeFileSystem = platform::PosixFileSystem;
using NativeListFiles = platform::PosixListFiles;
using NativeProcesses = platform::PosixProcesses;
using NativeStopRequests = platform::PosixStopRequests;
#endif

// Readies the process for the toolkit; call before it starts.
inline void PrepareForTheToolkit() {
#ifndef _WIN32
    platform::UseRuntimeFolderOfTheUser();
#endif
}

}  // namespace orlenda
