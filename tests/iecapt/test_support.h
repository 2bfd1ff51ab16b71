#pragma once

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "common/utf8_path.h"

namespace orlenda::iecapt::testing {

// A new folder of the test's own in the temporary folder, removed with all it
// holds when the test ends. Its name has a blank and characters outside any
// ANSI code page, so every path the tool is given or makes in it has them too.
class TestFolder {
public:
    TestFolder() {
        const std::filesystem::path base = std::filesystem::temp_directory_path();
        std::random_device random;
        std::filesystem::path folder;
        do {
            folder = base / pathFromUtf8("iecapt test J\xC3\xBCrgen \xE6\x97\xA5 " +
                                         std::to_string(random()));
        } while (!std::filesystem::create_directory(folder));
        m_path = utf8Of(folder);
    }
    ~TestFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(pathFromUtf8(m_path), ignored);
    }
    TestFolder(const TestFolder&) = delete;
    TestFolder& operator=(const TestFolder&) = delete;

    const std::string& path() const { return m_path; }
    std::string operator/(const std::string& name) const {
        return utf8Of(pathFromUtf8(m_path) / pathFromUtf8(name));
    }

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

// Polls the condition until it holds; false if it still does not after the limit.
inline bool eventually(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
    const auto giveUp = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > giveUp) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

}  // namespace orlenda::iecapt::testing
