#include "system/own_folder.h"

#include <windows.h>

#include "shared/win/win_text.h"

namespace orlenda::iecapt {

std::string ownFolder() {
    // Room for the longest path Windows knows, so it is never cut.
    std::wstring path(32768, L'\0');
    const DWORD length =
        ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0 || length >= path.size()) return {};
    path.resize(length);
    return utf8FromWide(path.substr(0, path.find_last_of(L"\\/")));
}

}  // namespace orlenda::iecapt
