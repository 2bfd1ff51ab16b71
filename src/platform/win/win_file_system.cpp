#include "platform/win/win_file_system.h"

#include <windows.h>

#include <optional>

#include "shared/win/owned_handle.h"
#include "shared/win/win_text.h"

namespace orlenda::platform {
namespace {

// A NUL would cut the path short and answer for another one.
bool IsWholePath(const std::string& path) {
    return !path.empty() && path.find('\0') == std::string::npos;
}

std::uint64_t Joined(DWORD high, DWORD low) { return (std::uint64_t{high} << 32) | low; }

// The attributes and times of the path, or nothing when they cannot be read.
std::optional<WIN32_FILE_ATTRIBUTE_DATA> AttributesOf(const std::string& path) {
    if (!IsWholePath(path)) return std::nullopt;
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(wideFromUtf8(path).c_str(), GetFileExInfoStandard, &data)) {
        return std::nullopt;
    }
    return data;
}

}  // namespace

bool WinFileSystem::fileExists(const std::string& path) const {
    return AttributesOf(path).has_value();
}

bool WinFileSystem::isFolder(const std::string& path) const {
    const auto data = AttributesOf(path);
    return data && (data->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::optional<FileStamp> WinFileSystem::fileStamp(const std::string& path) const {
    if (!IsWholePath(path)) return std::nullopt;
    // Only the attributes are read, and no one is kept from the file meanwhile.
    const OwnedHandle file(::CreateFileW(wideFromUtf8(path).c_str(), FILE_READ_ATTRIBUTES,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                         nullptr, OPEN_EXISTING, 0, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!file || ::GetFileType(file.get()) != FILE_TYPE_DISK ||
        !::GetFileInformationByHandle(file.get(), &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        return std::nullopt;
    }
    return FileStamp{.size = Joined(info.nFileSizeHigh, info.nFileSizeLow),
                     .modified = static_cast<std::int64_t>(Joined(
                         info.ftLastWriteTime.dwHighDateTime, info.ftLastWriteTime.dwLowDateTime)),
                     .volume = info.dwVolumeSerialNumber,
                     .fileIndex = Joined(info.nFileIndexHigh, info.nFileIndexLow)};
}

std::string WinFileSystem::programFolder() const {
    // The path is cut to the buffer's size when it does not fit: grow until it does.
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    return utf8FromWide(path.substr(0, path.find_last_of(L"\\/")));
}

}  // namespace orlenda::platform
