#pragma once

#include <algorithm>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/form1.h"
#include "folder/folder_handlers.h"

namespace orlenda::testing {

// Fakes of the main window's controls and services for the logic tests. Each
// can be told to fail, to check how handlers carry on after a failing step.

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

private:
    static std::size_t index(std::int64_t row) { return static_cast<std::size_t>(row - 1); }
    void failIfAsked() {
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
    bool fileExists(const std::string& path) const override { return contains(files, path); }
    bool isFolder(const std::string& path) const override { return contains(folders, path); }
    std::string programFolder() const override { return programFolderPath; }

    std::vector<std::string> files;
    std::vector<std::string> folders;
    std::string programFolderPath = "/opt/orlenda";

private:
    static bool contains(const std::vector<std::string>& paths, const std::string& path) {
        return std::find(paths.begin(), paths.end(), path) != paths.end();
    }
};

class FakeCommonDialog final : public platform::CommonDialog {
public:
    std::string fileName() const override {
        if (failFileName) throw std::runtime_error("file name unreadable");
        return name;
    }
    void setFileName(const std::string& path) override {
        calls.push_back("FileName=" + path);
        name = path;
    }
    void setFlags(long value) override {
        calls.push_back("Flags=" + std::to_string(value));
        flags = value;
    }
    void setDialogTitle(const std::string& title) override {
        calls.push_back("DialogTitle=" + title);
    }
    void setFilter(const std::string& filter) override { calls.push_back("Filter=" + filter); }
    // Answers with the scripted choice; none is a cancel.
    void showOpen() override {
        calls.push_back("ShowOpen");
        if (failShow) throw std::runtime_error("dialog failed");
        if (choice) name = *choice;
    }

    std::vector<std::string> calls;  // every property set and every showing, in order
    std::optional<std::string> choice;
    std::string name;
    long flags = 0;
    bool failShow = false;
    bool failFileName = false;
};

// List files held in memory. Reads hand out a few bytes at a time, so that
// line ends fall across the reader's buffer boundaries.
class FakeListFiles final : public platform::ListFiles {
public:
    class File final : public platform::ListFile {
    public:
        File(FakeListFiles& files, std::string content)
            : m_files(files), m_content(std::move(content)) {
            ++m_files.openCount;
        }
        ~File() override { --m_files.openCount; }
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
        FakeListFiles& m_files;
        std::string m_content;
        std::size_t m_position = 0;
    };

    std::unique_ptr<platform::ListFile> open(const std::string& path) override {
        const auto found = contents.find(path);
        if (found == contents.end()) throw std::runtime_error("Permission denied");
        return std::make_unique<File>(*this, found->second);
    }
    std::string toUtf8(std::string bytes) override { return bytes; }

    std::map<std::string, std::string> contents;  // path to bytes; others cannot be opened
    std::size_t bytesPerRead = 3;
    std::optional<std::size_t> failAfterBytes;
    int openCount = 0;  // files open now
};

// How a started fake process behaves: it answers "still active" to this many
// exit-code queries, then its exit code; or every query fails.
struct FakeProcess {
    int runningQueries = 0;
    std::uint32_t exitCode = 0;
    bool queriesFail = false;
};

struct StartedCommand {
    std::string commandLine;
    int windowMode;
};

class FakeProcesses final : public platform::Processes {
public:
    platform::ProcessId start(const std::string& commandLine, int windowMode) override {
        started.push_back({commandLine, windowMode});
        if (startError != 0) throw platform::ProcessStartError(startError, "cannot start");
        FakeProcess process = usual;
        if (!script.empty()) {
            process = script.front();
            script.pop_front();
        }
        const platform::ProcessId id = static_cast<platform::ProcessId>(started.size());
        m_running.push_back(process);
        return id;
    }
    platform::ProcessHandle open(platform::ProcessId id) override {
        opened.push_back(id);
        return openFails ? 0 : id;
    }
    std::optional<std::uint32_t> exitCode(platform::ProcessHandle handle) override {
        ++queries;
        if (handle < 1 || handle > static_cast<platform::ProcessHandle>(m_running.size())) {
            return std::nullopt;
        }
        FakeProcess& process = m_running[static_cast<std::size_t>(handle - 1)];
        if (process.queriesFail) throw std::runtime_error("process lost");
        if (process.runningQueries > 0) {
            --process.runningQueries;
            return platform::kStillActive;
        }
        return process.exitCode;
    }
    void close(platform::ProcessHandle handle) override { closed.push_back(handle); }

    // Each start takes the next scripted process, then the usual one.
    std::deque<FakeProcess> script;
    FakeProcess usual;
    int startError = 0;  // every start fails with this number when not 0
    bool openFails = false;

    std::vector<StartedCommand> started;
    std::vector<platform::ProcessId> opened;
    std::vector<platform::ProcessHandle> closed;
    int queries = 0;

private:
    std::vector<FakeProcess> m_running;
};

class FakeSleeper final : public platform::Sleeper {
public:
    void sleep(int milliseconds) override {
        ++count;
        totalMilliseconds += milliseconds;
        if (onSleep) onSleep();
    }

    int count = 0;
    std::int64_t totalMilliseconds = 0;
    // Runs during every pause, as the user's events would.
    std::function<void()> onSleep;
};

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

    std::map<std::string, std::string> values;
    std::vector<std::pair<std::string, std::string>> writes;  // every write, in order
    bool failReads = false;
    bool failWrites = false;
};

struct BrowseRequest {
    std::string title;
    std::string start;
};

class FakeFolderBrowser final : public platform::FolderBrowser {
public:
    std::string BrowseForFolder(platform::MainWindow& owner, const std::string& title,
                                const std::string& start) override {
        owners.push_back(&owner);
        requests.push_back({title, start});
        if (fail) throw std::runtime_error("browser failed");
        return answer;
    }

    std::string answer;  // empty: the user cancels
    bool fail = false;
    std::vector<BrowseRequest> requests;
    std::vector<const platform::MainWindow*> owners;
};

class FakeSkin final : public platform::SkinComponent {
public:
    explicit FakeSkin(Journal& journal) : journal(journal) {}

    void loadSkin(const std::string& skinFile, const std::string& extraFile) override {
        journal.push_back("loadSkin(" + skinFile + ", " + extraFile + ")");
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
    void openWebPage(const std::string& address) override {
        if (failOpen) throw std::runtime_error("no browser");
        openedPages.push_back(address);
    }
    void setApplicationTitle(const std::string& title) override { applicationTitle = title; }
    void endProgram() override { ++endCount; }

    std::string desktopFolderPath = "/home/u/Desktop";
    bool failOpen = false;
    std::vector<std::string> openedPages;
    std::string applicationTitle;
    int endCount = 0;
};

class FakeClock final : public platform::Clock {
public:
    int secondsSinceMidnight() const override { return seconds; }

    int seconds = 0;
};

// A main window made of fakes, for driving handlers in tests.
// Changes of the folder box reach Text1_Change, as in the window.
struct FakeForm {
    FakeForm() {
        folder.changed = [this] { Text1_Change(form); };
    }
    FakeForm(const FakeForm&) = delete;
    FakeForm& operator=(const FakeForm&) = delete;

    FakeMainWindow me;
    FakeSiteList list;
    FakeProgress progress;
    FakeTextBox folder;
    FakeDialogs dialogs;
    FakeEvents events;
    FakeFileSystem files;
    FakeCommonDialog commonDialog;
    FakeListFiles listFiles;
    FakeProcesses processes;
    FakeSleeper sleeper;
    FakeSettings settings;
    FakeFolderBrowser folderBrowser;
    FakeSkin skin{me.journal};
    FakeDesktop desktop;
    FakeClock clock;
    Form1 form{.Me = me,
               .ListView1 = list,
               .ProgressBar1 = progress,
               .Text1 = folder,
               .dialogs = dialogs,
               .events = events,
               .files = files,
               .CommonDialog1 = commonDialog,
               .listFiles = listFiles,
               .processes = processes,
               .sleeper = sleeper,
               .settings = settings,
               .folderBrowser = folderBrowser,
               .SkinFramework1 = skin,
               .desktop = desktop,
               .clock = clock};
};

}  // namespace orlenda::testing
