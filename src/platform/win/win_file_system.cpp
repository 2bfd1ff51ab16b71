#include "platform/win/win_file_system.h"

#include <windows.h>

#include <optional>

#include "platform/win/win_text.h"

namespace orlenda::platform {
namespace {

// The attributes and times of the path, or nothing when they cannot be read.
// A NUL would cut the path short and answer for another one.
std::optional<WIN32_FILE_ATTRIBUTE_DATA> AttributesOf(const std::string& path) {
    if (path.empty() || path.find('\0') != std::string::npos) return std::nullopt;
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(WideFromUtf8(path).c_str(), GetFileExInfoStandard, &data)) {
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
    return Utf8FromWide(path.substr(0, path.find_last_of(L"\\/")));
}

}  // namespace orlenda::platform
