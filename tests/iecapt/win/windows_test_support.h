#pragma once

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "common/utf8_path.h"
#include "shared/win/win_text.h"
#include "test_support.h"

namespace orlenda::iecapt::testing {

inline void writeFile(const std::string& path, const std::string& text) {
    std::ofstream(pathFromUtf8(path), std::ios::binary) << text;
}

// The folder this test program lies in, where the build puts iecapt.exe and
// the fake browser too.
inline std::string programFolder() {
    wchar_t self[MAX_PATH];
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    return utf8Of(std::filesystem::path(self).parent_path());
}

}  // namespace orlenda::iecapt::testing
