#include "system/atomic_file.h"

#include <windows.h>

#include <algorithm>

#include "shared/win/owned_handle.h"
#include "shared/win/win_text.h"

namespace orlenda::iecapt {
namespace {

using atomic_file::folderOf;
using atomic_file::nameTooLong;
using atomic_file::refusal;

// NTFS's longest name, and the longest path the plain (not \\?\) calls take.
constexpr std::size_t kNameLimit = 255;
constexpr std::size_t kPathLimit = MAX_PATH - 1;

std::string describe(const std::string& what, const std::string& path, const std::string& why) {
    return what + " " + path + ": " + why;
}

// What sits at the path when it is not a regular file; empty when it is one
// or nothing is there. A device name (NUL, CON, COM1...) is a device in any
// folder, and the system says so by making its full path \\.\NAME.
std::string notARegularFile(const std::string& path) {
    const std::wstring wide = wideFromUtf8(path);
    wchar_t full[MAX_PATH * 4];
    const DWORD length = ::GetFullPathNameW(wide.c_str(), MAX_PATH * 4, full, nullptr);
    if (length > 0 && length < MAX_PATH * 4 && std::wstring_view(full).starts_with(L"\\\\.\\")) {
        return "a device";
    }
    // The attributes of a link itself, not of what it points to.
    const DWORD attributes = ::GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return {};
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return "a symbolic link";
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return "a folder";
    // Opened for no access, only to ask what it is.
    const OwnedHandle handle(
        ::CreateFileW(wide.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!handle) return {};
    const DWORD type = ::GetFileType(handle.get());
    if (type == FILE_TYPE_CHAR) return "a device";
    if (type == FILE_TYPE_PIPE) return "a pipe";
    return {};
}

// A hidden name beside the target that no other writer picks: CREATE_NEW
// makes sure, the random part makes a clash rare.
HANDLE createTemporaryBeside(const std::string& path, std::string& temporaryPath) {
    const std::string stem =
        atomic_file::temporaryNameStem(path, kNameLimit, kPathLimit, atomic_file::Units::Utf16);
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporaryPath = atomic_file::temporaryPathBeside(path, stem);
        const HANDLE file = ::CreateFileW(wideFromUtf8(temporaryPath).c_str(), GENERIC_WRITE, 0,
                                          nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE || ::GetLastError() != ERROR_FILE_EXISTS) return file;
    }
    return INVALID_HANDLE_VALUE;
}

bool writeAll(HANDLE file, std::string_view bytes) {
    while (!bytes.empty()) {
        DWORD written = 0;
        const auto chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1 << 30));
        if (!::WriteFile(file, bytes.data(), chunk, &written, nullptr)) return false;
        bytes.remove_prefix(written);
    }
    return true;
}

// Whether the name, or the whole path, is longer than the plain calls take.
bool isNameTooLong(const std::string& path) {
    const DWORD fullLength = ::GetFullPathNameW(wideFromUtf8(path).c_str(), 0, nullptr, nullptr);
    return atomic_file::lengthIn(atomic_file::nameOf(path), atomic_file::Units::Utf16) >
               kNameLimit ||
           (fullLength > 0 && fullLength - 1 > kPathLimit);
}

}  // namespace

std::string checkWritableFilePath(const std::string& path) {
    const std::string folder = folderOf(path);
    const DWORD attributes = ::GetFileAttributesW(wideFromUtf8(folder).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return describe("cannot use the folder", folder, lastErrorText());
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        return describe("cannot use the folder", folder, systemErrorText(ERROR_DIRECTORY));
    }
    if (isNameTooLong(path)) return nameTooLong(path);
    if (const std::string found = notARegularFile(path); !found.empty()) {
        return refusal(path, found);
    }
    return {};
}

std::string writeFileAtomically(const std::string& path, std::string_view bytes) {
    std::string temporaryPath;
    OwnedHandle file(createTemporaryBeside(path, temporaryPath));
    if (!file) return describe("cannot create a file in", folderOf(path), lastErrorText());
    bool written = writeAll(file.get(), bytes) && ::FlushFileBuffers(file.get());
    std::string problem = written ? std::string() : describe("cannot write", path, lastErrorText());
    file.reset();  // closed before it is moved
    // Windows cannot swap two names: a look just before the move has to do.
    if (problem.empty()) {
        if (const std::string found = notARegularFile(path); !found.empty()) {
            problem = refusal(path, found);
        } else if (!::MoveFileExW(wideFromUtf8(temporaryPath).c_str(), wideFromUtf8(path).c_str(),
                                  MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            problem = describe("cannot write", path, lastErrorText());
        }
    }
    if (!problem.empty()) ::DeleteFileW(wideFromUtf8(temporaryPath).c_str());
    return problem;
}

}  // namespace orlenda::iecapt
