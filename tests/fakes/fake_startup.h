#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "fakes/fake_controls.h"
#include "platform/desktop.h"
#include "platform/folder_browser.h"
#include "platform/settings.h"
#include "platform/skin.h"

namespace orlenda::testing {

class FakeSettings final : public platform::SettingsStore {
public:
    std::string ReadSetting(const std::string& key, const std::string& defaultText) const override {
        if (failReads) throw std::runtime_error("settings unreadable");
        const auto found = values.find(key);
        return found == values.end() ? defaultText : found->second;
    }
    void WriteSetting(const std::string& key, const std::string& text) override {
        if (failWrites) throw std::runtime_error("settings read-only");
        values[key] = text;
        writes.push_back({key, text});
    }
    std::string settingsFolder() const override { return folder; }

    std::map<std::string, std::string> values;
    std::vector<std::pair<std::string, std::string>> writes;  // every write, in order
    bool failReads = false;
    bool failWrites = false;
    std::string folder = PlatformPath("/home/u/.config/Tovrik");
};

struct BrowseRequest {
    const platform::MainWindow* owner;
    std::string title;
    std::string start;
};

class FakeFolderBrowser final : public platform::FolderBrowser {
public:
    std::string BrowseForFolder(platform::MainWindow& owner, const std::string& title,
                                const std::string& start) override {
        requests.push_back({&owner, title, start});
        if (fail) throw std::runtime_error("browser failed");
        return answer;
    }

    std::string answer;  // empty: the user cancels
    bool fail = false;
    std::vector<BrowseRequest> requests;
};

class FakeSkin final : public platform::SkinComponent {
public:
    explicit FakeSkin(Journal& journal) : journal(journal) {}

    void loadSkin(const std::string& skinFile) override {
        journal.push_back("loadSkin(" + skinFile + ")");
        if (failLoad) throw std::runtime_error("not a skin");
    }
    std::int32_t options() const override { return bits; }
    void setOptions(std::int32_t value) override {
        journal.push_back("setOptions(" + std::to_string(value) + ")");
        bits = value;
    }
    void setSkinAllWindows(bool on) override {
        journal.push_back(std::string("setSkinAllWindows(") + (on ? "true" : "false") + ")");
    }
    void setKeepWindowColours(bool on) override {
        journal.push_back(std::string("setKeepWindowColours(") + (on ? "true" : "false") + ")");
    }
    void attachToWindow(platform::MainWindow& window) override {
        journal.push_back("attachToWindow");
        attachedTo = &window;
    }

    Journal& journal;
    std::int32_t bits = 0;
    bool failLoad = false;
    const platform::MainWindow* attachedTo = nullptr;
};

class FakeDesktop final : public platform::Desktop {
public:
    std::string desktopFolder() const override { return desktopFolderPath; }
    std::string picturesFolder() const override { return picturesFolderPath; }
    std::string homeFolder() const override { return homeFolderPath; }
    void openWebPage(const std::string& address) override {
        if (failOpen) throw std::runtime_error("no browser");
        openedPages.push_back(address);
    }
    void setApplicationTitle(const std::string& title) override { applicationTitle = title; }
    void endProgram(const platform::ProgramEnd& end) override { ended = end; }

    std::string desktopFolderPath = PlatformPath("/home/u/Desktop");
    std::string picturesFolderPath = PlatformPath("/home/u/Pictures");
    std::string homeFolderPath = PlatformPath("/home/u");
    bool failOpen = false;
    std::vector<std::string> openedPages;
    std::string applicationTitle;
    std::optional<platform::ProgramEnd> ended;
};

class FakeClock final : public platform::Clock {
public:
    int secondsSinceMidnight() const override { return seconds; }
    platform::LocalTime now() const override { return time; }

    int seconds = 0;
    platform::LocalTime time{2026, 12, 7, 14, 5, 31};
};

}  // namespace orlenda::testing
