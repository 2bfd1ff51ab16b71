#pragma once

#include <algorithm>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/controls.h"
#include "platform/dialogs.h"
#include "platform/events.h"
#include "platform/files.h"
#include "platform/window.h"
#include "support/platform_path.h"

namespace orlenda::testing {

// Fakes of the main window's controls and its basic services. Each can be
// told to fail, to check how handlers carry on after a failing step.

class FakeSiteList final : public platform::SiteListControl {
public:
    void append(const std::string& text) override {
        failIfAsked();
        rows.push_back(text);
    }
    std::int64_t rowCount() const override { return static_cast<std::int64_t>(rows.size()); }
    std::string rowText(std::int64_t row) const override { return rows.at(index(row)); }
    void removeRow(std::int64_t row) override { rows.erase(rows.begin() + index(row)); }
    void clear() override { rows.clear(); }
    std::int64_t currentRow() const override { return current; }
    void addColumn(const std::string& header) override { headers.push_back(header); }
    void setFirstColumnWidth(int twips) override {
        if (headers.empty()) throw std::out_of_range("Index out of bounds");
        firstColumnWidth = twips;
    }

    std::vector<std::string> rows;
    std::vector<std::string> headers;
    int firstColumnWidth = 0;
    std::int64_t current = 0;
    // Appends fail while this is above zero, counting down.
    int failingAppends = 0;
    // Appends beyond so many rows run out of memory.
    std::optional<std::size_t> capacity;

private:
    static std::size_t index(std::int64_t row) { return static_cast<std::size_t>(row - 1); }
    void failIfAsked() {
        if (capacity && rows.size() >= *capacity) throw std::bad_alloc();
        if (failingAppends > 0) {
            --failingAppends;
            throw std::runtime_error("append refused");
        }
    }
};

class FakeProgress final : public platform::ProgressIndicator {
public:
    std::string text() const override { return m_text; }
    void setText(const std::string& text) override {
        m_text = text;
        texts.push_back(text);
    }
    double value() const override { return m_value; }
    void setValue(double value) override {
        m_value = value;
        values.push_back(value);
    }

    std::vector<std::string> texts;  // every text set, in order
    std::vector<double> values;      // every value set, in order

private:
    std::string m_text = "Progress Bar";
    double m_value = 0;
};

class FakeTextBox final : public platform::TextBox {
public:
    std::string text() const override { return value; }
    // Like the real box: a new text raises the change event, the same does not.
    void setText(const std::string& text) override {
        if (text == value) return;
        value = text;
        if (changed) changed();
    }

    std::string value;
    std::function<void()> changed;
};

// Calls to the window and the skin, in order, as "name(arguments)".
using Journal = std::vector<std::string>;

class FakeMainWindow final : public platform::MainWindow {
public:
    int mousePointer() const override {
        if (failPointerRead) throw std::runtime_error("pointer unreadable");
        return pointer;
    }
    void setMousePointer(int code) override { pointer = code; }
    void setCaption(const std::string& text) override { caption = text; }
    void showApplicationIcon() override { showsApplicationIcon = true; }
    void setMouseIcon(const std::string& cursorFile) override {
        if (failMouseIcon) throw std::runtime_error("Invalid picture");
        mouseIcon = cursorFile;
    }
    void setBackColor(std::uint32_t colour) override {
        journal.push_back("setBackColor(" + std::to_string(colour) + ")");
    }
    int controlCount() const override { return static_cast<int>(controls.size()); }
    platform::ControlKind controlKind(int index) const override {
        return controls.at(static_cast<std::size_t>(index));
    }
    void setControlBackColor(int index, std::uint32_t colour) override {
        journal.push_back("setControlBackColor(" + std::to_string(index) + ", " +
                          std::to_string(colour) + ")");
    }

    int pointer = platform::kPointerDefault;
    std::string caption;
    bool failPointerRead = false;
    bool showsApplicationIcon = false;
    std::string mouseIcon;  // the cursor file of the custom pointer
    bool failMouseIcon = false;
    std::vector<platform::ControlKind> controls;
    Journal journal;  // shared with the skin of a FakeForm
};

struct ShownMessage {
    std::string text;
    int style;
    std::string caption;
};

class FakeDialogs final : public platform::Dialogs {
public:
    void messageBox(const std::string& text, int style, const std::string& caption) override {
        messages.push_back({text, style, caption});
    }
    // Answers with the next scripted answer; an exhausted script is a cancel.
    std::string inputBox(const std::string& prompt, const std::string& caption) override {
        prompts.push_back({prompt, 0, caption});
        if (failInput) throw std::runtime_error("input box failed");
        if (answers.empty()) return {};
        std::string answer = answers.front();
        answers.pop_front();
        return answer;
    }

    std::vector<ShownMessage> messages;
    std::vector<ShownMessage> prompts;
    std::deque<std::string> answers;
    bool failInput = false;
};

class FakeEvents final : public platform::EventPump {
public:
    void processEvents() override {
        ++count;
        if (whileProcessing) whileProcessing();
    }

    int count = 0;
    // Runs at every call, as a handler that the user starts meanwhile.
    std::function<void()> whileProcessing;
};

class FakeFileSystem final : public platform::FileSystem {
public:
    bool fileExists(const std::string& path) const override {
        return contains(files, path) || stamps.count(path);
    }
    bool isFolder(const std::string& path) const override { return contains(folders, path); }
    std::string programFolder() const override { return programFolderPath; }
    std::optional<platform::FileStamp> fileStamp(const std::string& path) const override {
        const auto found = stamps.find(path);
        if (found == stamps.end()) return std::nullopt;
        return found->second;
    }
    std::string typedPath(const std::string& text) const override { return text; }

    std::vector<std::string> files;
    std::vector<std::string> folders;
    std::map<std::string, platform::FileStamp> stamps;  // the files that have stamps
    std::string programFolderPath = PlatformPath("/opt/orlenda");

private:
    static bool contains(const std::vector<std::string>& paths, const std::string& path) {
        return std::find(paths.begin(), paths.end(), path) != paths.end();
    }
};

}  // namespace orlenda::testing
