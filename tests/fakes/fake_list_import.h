#pragma once

#include <algorithm>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/common_dialog.h"
#include "platform/list_file_text.h"
#include "platform/list_files.h"

namespace orlenda::testing {

class FakeCommonDialog final : public platform::CommonDialog {
public:
    std::string fileName() const override { return name; }
    void setFileName(const std::string& path) override {
        calls.push_back("FileName=" + path);
        name = path;
    }
    void setFlags(long flags) override { calls.push_back("Flags=" + std::to_string(flags)); }
    void setDialogTitle(const std::string& title) override {
        calls.push_back("DialogTitle=" + title);
    }
    void setFilter(const std::string& filter) override { calls.push_back("Filter=" + filter); }
    void setInitDir(const std::string& folder) override { calls.push_back("InitDir=" + folder); }
    // Answers with the scripted choice; none is a cancel.
    void showOpen() override {
        calls.push_back("ShowOpen");
        if (failShow) throw std::runtime_error("dialog failed");
        if (choice) name = *choice;
    }

    std::vector<std::string> calls;  // every property set and every showing, in order
    std::optional<std::string> choice;
    std::string name;
    bool failShow = false;
};

// List files held in memory. Reads hand out a few bytes at a time, so that
// line ends fall across the reader's buffer boundaries.
class FakeListFiles final : public platform::ListFiles {
public:
    class File final : public platform::ListFile {
    public:
        File(const FakeListFiles& files, std::string content)
            : m_files(files), m_content(std::move(content)) {}
        std::size_t read(char* buffer, std::size_t size) override {
            if (m_files.failAfterBytes && m_position >= *m_files.failAfterBytes) {
                throw std::runtime_error("Input/output error");
            }
            const std::size_t count =
                std::min({size, m_files.bytesPerRead, m_content.size() - m_position});
            std::copy_n(m_content.data() + m_position, count, buffer);
            m_position += count;
            return count;
        }

    private:
        const FakeListFiles& m_files;
        std::string m_content;
        std::size_t m_position = 0;
    };

    std::unique_ptr<platform::ListFile> open(const std::string& path) override {
        const auto found = contents.find(path);
        if (found == contents.end()) throw std::runtime_error("Permission denied");
        return std::make_unique<platform::MarkedListFile>(
            std::make_unique<File>(*this, found->second));
    }
    std::string toUtf8(std::string bytes) override { return bytes; }
    // Writes as the real files do, with LF line ends, so that reading the
    // list back goes through the real rules.
    bool createListFile(const std::string& path, const std::vector<std::string>& rows) override {
        if (contents.count(path)) return false;
        const bool refused =
            std::any_of(refusedFolders.begin(), refusedFolders.end(),
                        [&](const auto& folder) { return path.starts_with(folder); });
        if (refused) throw std::runtime_error("Permission denied");
        std::string& content = contents[path];
        for (const std::string& row : rows) content += row + '\n';
        return true;
    }

    std::map<std::string, std::string> contents;  // path to bytes; others cannot be opened
    std::vector<std::string> refusedFolders;      // no list file can be created below these
    std::size_t bytesPerRead = 3;
    std::optional<std::size_t> failAfterBytes;
};

}  // namespace orlenda::testing
