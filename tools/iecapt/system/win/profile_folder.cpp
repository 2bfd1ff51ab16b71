#include "system/profile_folder.h"

#include <windows.h>

#include <filesystem>
#include <random>
#include <system_error>

#include "common/utf8_path.h"
#include "shared/win/owned_handle.h"
#include "shared/win/win_text.h"

namespace orlenda::iecapt {
namespace {

using profile_folder::kLockName;
using profile_folder::kPrefix;

// "iecapt-" and six letters or digits, as mkdtemp names them on POSIX.
std::string randomFolderName() {
    static constexpr char kCharacters[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    static std::mt19937 random{std::random_device{}()};
    std::string name(kPrefix);
    for (int i = 0; i < 6; ++i) name += kCharacters[random() % (sizeof kCharacters - 1)];
    return name;
}

// Opened for no one else: while it is open, no cleaner can open it.
HANDLE openLock(const std::string& path, DWORD creation) {
    return ::CreateFileW(wideFromUtf8(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                         creation, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

}  // namespace

std::string temporaryBase() {
    wchar_t folder[MAX_PATH + 1];
    const DWORD length = ::GetTempPathW(MAX_PATH + 1, folder);
    std::wstring base(folder, length > 0 && length <= MAX_PATH ? length : 0);
    while (base.size() > 3 && base.back() == L'\\') base.pop_back();  // keeps "C:\"
    return base.empty() ? "." : utf8FromWide(base);
}

// The browser's singleton is no Unix socket here: any length does.
std::string profileFolderBase() { return temporaryBase(); }

ProfileFolder::ProfileFolder() : m_lock(INVALID_HANDLE_VALUE) {
    const std::string base = profileFolderBase();
    for (int attempt = 0; m_path.empty(); ++attempt) {
        const std::string candidate = base + "\\" + randomFolderName();
        if (::CreateDirectoryW(wideFromUtf8(candidate).c_str(), nullptr)) {
            m_path = candidate;
        } else if (::GetLastError() != ERROR_ALREADY_EXISTS || attempt == 100) {
            profile_folder::failToMake("a temporary folder", base, lastErrorText());
        }
    }
    // Made open, in one step, so a cleaner never finds it free.
    m_lock = openLock(inside(kLockName), CREATE_NEW);
    if (m_lock == INVALID_HANDLE_VALUE) {
        const std::string reason = lastErrorText();
        removeAll();
        profile_folder::failToMake("a lock file", m_path, reason);
    }
    makeFolders();
}

void ProfileFolder::removeAll() {
    // An open file cannot be removed: the lock goes first, then all else.
    if (m_lock != INVALID_HANDLE_VALUE) ::CloseHandle(m_lock);
    m_lock = INVALID_HANDLE_VALUE;
    profile_folder::removeTree(m_path);
}

// %TEMP% is the user's own: every folder in it is this user's.
void removeStaleProfileFolders(const std::string& base) {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(pathFromUtf8(base), error)) {
        const std::string folder = utf8Of(entry.path());
        const DWORD attributes = ::GetFileAttributesW(entry.path().c_str());
        if (!profile_folder::isProfileFolderName(utf8Of(entry.path().filename())) ||
            attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 ||
            (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
            continue;
        }
        // Held by a live tool, or not there (yet, or any more), when it cannot be opened.
        if (!OwnedHandle(openLock(folder + "\\" + std::string(kLockName), OPEN_EXISTING))) {
            if (profile_folder::isLeftWithoutLock(folder)) profile_folder::removeTree(folder);
            continue;
        }
        profile_folder::removeTree(folder);
    }
}

}  // namespace orlenda::iecapt
