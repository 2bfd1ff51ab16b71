# Cross-builds for 64-bit Windows with Debian's mingw-w64 compilers.
#
#   cmake -S . -B /tmp/orlenda-win -G Ninja \
#     -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/mingw-w64-x86_64.cmake \
#     -DORLENDA_WINDOWS_PREFIX=$HOME/.cache/orlenda/qt6-mingw64-6.4.2
#
# ORLENDA_WINDOWS_PREFIX (cache variable, or the environment variable of the
# same name) is where scripts/windows/build-qt.sh and build-gtest.sh install
# Qt and GoogleTest for Windows. Programs built here run under wine64 through
# scripts/windows/wine-run, so ctest and gtest_discover_tests work as usual.

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

# The posix-thread compilers: the win32-thread ones lack std::thread and
# std::mutex.
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

if(NOT DEFINED ORLENDA_WINDOWS_PREFIX AND DEFINED ENV{ORLENDA_WINDOWS_PREFIX})
  set(ORLENDA_WINDOWS_PREFIX "$ENV{ORLENDA_WINDOWS_PREFIX}")
endif()
set(ORLENDA_WINDOWS_PREFIX "${ORLENDA_WINDOWS_PREFIX}" CACHE PATH
    "Prefix holding Qt and GoogleTest built for Windows")
# try_compile projects read this file again and see only what is listed here.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES ORLENDA_WINDOWS_PREFIX)

# Libraries, headers and CMake packages come only from the Windows roots;
# programs (moc, rcc, uic, wine64) come from the host.
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
if(ORLENDA_WINDOWS_PREFIX)
  list(APPEND CMAKE_FIND_ROOT_PATH "${ORLENDA_WINDOWS_PREFIX}")
  list(APPEND CMAKE_PREFIX_PATH "${ORLENDA_WINDOWS_PREFIX}")
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# install(RUNTIME_DEPENDENCY_SET) finds the DLLs a program loads by reading
# it with the cross binutils' objdump.
set(CMAKE_GET_RUNTIME_DEPENDENCIES_PLATFORM windows+pe)
set(CMAKE_GET_RUNTIME_DEPENDENCIES_TOOL objdump)
set(CMAKE_GET_RUNTIME_DEPENDENCIES_COMMAND x86_64-w64-mingw32-objdump)

# The wrapper finds the MinGW runtime DLLs itself; the prefix is passed on
# because ctest runs long after this environment is gone.
get_filename_component(_orlenda_wine_run
    "${CMAKE_CURRENT_LIST_DIR}/../../scripts/windows/wine-run" ABSOLUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR
    /usr/bin/env "ORLENDA_WINDOWS_PREFIX=${ORLENDA_WINDOWS_PREFIX}"
    "${_orlenda_wine_run}")
