#pragma once

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "common/utf8_path.h"
#include "system/win/wide_text.h"

namespace orlenda::iecapt::testing {

// A new folder of the test's own in the temporary folder, its name with a
// blank and characters outside any ANSI code page, removed with all it
// holds when the test ends.
class TestFolder {
public:
    TestFolder() {
        std::random_device random;
        const std::filesystem::path base = std::filesystem::temp_directory_path();
        m_path = utf8Of(base / pathFromUtf8("iecapt test J\xC3\xBCrgen \xE6\x97\xA5 " +
                                            std::to_string(random())));
        std::filesystem::create_directories(pathFromUtf8(m_path));
    }
    ~TestFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(pathFromUtf8(m_path), ignored);
    }
    TestFolder(const TestFolder&) = delete;
    TestFolder& operator=(const TestFolder&) = delete;

    const std::string& path() const { return m_path; }
    std::string operator/(const std::string& name) const { return m_path + "\\" + name; }

private:
    std::string m_path;
};

inline std::vector<std::string> namesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(pathFromUtf8(folder))) {
        names.push_back(utf8Of(entry.path().filename()));
    }
    return names;
}

inline std::string fileText(const std::string& path) {
    std::ifstream file(pathFromUtf8(path), std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

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
