// The run of the Start button, measured with a capture tool that exits at
// once: a stand-in next to this bench that creates the output file and
// records when it started and ended.
//
// 1. At the real 100 ms cadence on the real window (offscreen): the run's own
//    time per row after the tool has ended, the longest stall of the window's
//    event loop, and memory and descriptors before and after.
// 2. Over a long list with the real run logic and real processes, but a 1 ms
//    pause instead of 100 ms, since 40,000 rows at the real cadence take over
//    two hours: memory and open descriptors along the way, the files written,
//    and no child left unreaped.
// 3. The end of a run whose rows were none of them saved: the closing message
//    and the list of them written to a real file, for as many rows as the
//    long list.
//
// Usage: convert_bench [rows at the real cadence, 1000] [rows of the long list, 40000]

#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "app/form1_window.h"
#include "convert/convert_handlers.h"
#include "convert/run_report.h"
#include "fakes/fake_form.h"
#include "platform/posix/posix_clock.h"
#include "platform/posix/posix_file_system.h"
#include "platform/posix/posix_list_files.h"
#include "platform/posix/posix_processes.h"
#include "platform/qt/text_progress_bar.h"
#include "support/message_box_answerer.h"
#include "support/stand_in_record.h"

namespace {

using namespace orlenda;

long ResidentKiB() {
    long pages = 0;
    long resident = 0;
    std::ifstream("/proc/self/statm") >> pages >> resident;
    return resident * ::sysconf(_SC_PAGESIZE) / 1024;
}

long OpenDescriptors() {
    const auto entries = std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                                       std::filesystem::directory_iterator());
    return static_cast<long>(entries) - 1;  // the listing's own descriptor
}

long FilesIn(const QString& folder) {
    const auto entries = std::distance(std::filesystem::directory_iterator(folder.toStdString()),
                                       std::filesystem::directory_iterator());
    return static_cast<long>(entries);
}

double Percentile(std::vector<double> values, double fraction) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return values[static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1))];
}

bool NoChildLeftUnreaped() {
    errno = 0;
    return ::waitpid(-1, nullptr, WNOHANG) == -1 && errno == ECHILD;
}

void AppendRows(platform::SiteListControl& list, int rows) {
    for (int row = 1; row <= rows; ++row) list.append("http://bench/" + std::to_string(row));
}

void BenchRealCadence(int rows) {
    QTemporaryDir folder;
    QTemporaryDir recordFolder;
    const std::string recordPath = recordFolder.filePath(QStringLiteral("record")).toStdString();
    qputenv(testing::kRecordVariable, QByteArray::fromStdString(recordPath));

    Form1Window window;
    AppendRows(window.form().ListView1, rows);
    window.Text1->setText(folder.path() + "/");
    window.show();
    testing::MessageBoxAnswerer answerer;

    // A tick every 10 ms: a late tick is the window failing to serve events.
    std::vector<double> tickGaps;
    tickGaps.reserve(static_cast<std::size_t>(rows) * 40);  // not to count as the run's memory
    QElapsedTimer sinceTick;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    // Memory at a tenth, half and all of the run: after warming up it stays flat.
    std::vector<std::pair<int, long>> memory;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        if (window.form().IsRunning) tickGaps.push_back(sinceTick.nsecsElapsed() / 1e6);
        sinceTick.restart();
        const int percent = window.ProgressBar1->value();
        for (const int mark : {10, 50, 100}) {
            const bool reached = percent >= mark && (memory.empty() || memory.back().first < mark);
            if (reached) memory.emplace_back(mark, ResidentKiB());
        }
    });
    ticker.start(10);
    sinceTick.start();

    const long kibBefore = ResidentKiB();
    const long descriptorsBefore = OpenDescriptors();
    QElapsedTimer runTime;
    runTime.start();
    window.PushButton2->click();
    const double seconds = runTime.nsecsElapsed() / 1e9;

    const std::vector<testing::ToolRun> tools = testing::ReadToolRuns(recordPath);
    std::vector<double> afterTool;  // from one tool's end to the next one's start
    std::vector<double> toolLife;
    for (std::size_t row = 0; row < tools.size(); ++row) {
        toolLife.push_back((tools[row].ended - tools[row].started) / 1e6);
        if (row + 1 < tools.size()) {
            afterTool.push_back((tools[row + 1].started - tools[row].ended) / 1e6);
        }
    }
    std::printf("Real cadence, real window, %d rows: %.1f s, messages: %s\n", rows, seconds,
                answerer.seen.join(QStringLiteral(" | ")).toUtf8().constData());
    std::printf("  tools run %zu, files written %ld\n", tools.size(), FilesIn(folder.path()));
    std::printf(
        "  per row, from one tool's end to the next one's start: min %.1f ms, median %.1f ms, "
        "95th %.1f ms, max %.1f ms\n",
        Percentile(afterTool, 0.0), Percentile(afterTool, 0.5), Percentile(afterTool, 0.95),
        Percentile(afterTool, 1.0));
    std::printf(
        "  per row, whole: %.1f ms on average (a tool that ends before the first look "
        "costs one poll)\n",
        seconds * 1000 / rows);
    std::printf("  per row, the tool's own life from its main() to its exit: median %.1f ms\n",
                Percentile(toolLife, 0.5));
    std::printf(
        "  event loop during the run (10 ms ticks): median gap %.1f ms, 99th %.1f ms, "
        "max %.1f ms\n",
        Percentile(tickGaps, 0.5), Percentile(tickGaps, 0.99), Percentile(tickGaps, 1.0));
    std::printf("  resident memory before %ld KiB", kibBefore);
    for (const auto& [percent, kib] : memory) std::printf(", at %d %% %ld KiB", percent, kib);
    std::printf(", after %ld KiB\n  open descriptors %ld before, %ld after\n", ResidentKiB(),
                descriptorsBefore, OpenDescriptors());
    qunsetenv(testing::kRecordVariable);
}

// Plain controls that keep nothing of their history, so that what grows is
// the run's own.
class BulkList final : public platform::SiteListControl {
public:
    void append(const std::string& text) override { m_rows.push_back(text); }
    std::int64_t rowCount() const override { return static_cast<std::int64_t>(m_rows.size()); }
    std::string rowText(std::int64_t row) const override {
        if (onRow) onRow(row);
        return m_rows.at(static_cast<std::size_t>(row - 1));
    }
    void removeRow(std::int64_t row) override { m_rows.erase(m_rows.begin() + (row - 1)); }
    void clear() override { m_rows.clear(); }
    std::int64_t currentRow() const override { return 0; }
    void addColumn(const std::string&) override {}
    void setFirstColumnWidth(int) override {}

    std::function<void(std::int64_t)> onRow;

private:
    std::vector<std::string> m_rows;
};

class BulkProgress final : public platform::ProgressIndicator {
public:
    std::string text() const override { return m_text; }
    void setText(const std::string& text) override { m_text = text; }
    double value() const override { return m_value; }
    void setValue(double value) override { m_value = value; }

private:
    std::string m_text;
    double m_value = 0;
};

class BulkTextBox final : public platform::TextBox {
public:
    explicit BulkTextBox(std::string text) : m_text(std::move(text)) {}
    std::string text() const override { return m_text; }
    void setText(const std::string& text) override { m_text = text; }

private:
    std::string m_text;
};

class BulkDialogs final : public platform::Dialogs {
public:
    void messageBox(const std::string& text, int, const std::string&) override {
        messages += (messages.empty() ? "" : " | ") + text;
    }
    std::string inputBox(const std::string&, const std::string&) override { return {}; }

    std::string messages;
};

class NoEvents final : public platform::EventPump {
public:
    void processEvents() override {}
};

class ShortSleeper final : public platform::Sleeper {
public:
    void sleep(int) override { std::this_thread::sleep_for(std::chrono::milliseconds(1)); }
};

void BenchLongList(int rows) {
    QTemporaryDir folder;
    BulkList list;
    BulkProgress progress;
    BulkTextBox folderBox(folder.path().toStdString() + "/");
    BulkDialogs dialogs;
    NoEvents events;
    platform::PosixFileSystem files;
    platform::PosixProcesses processes;
    ShortSleeper sleeper;
    testing::FakeForm unused;  // the services a run never calls, and a window that keeps no history
    Form1 form{.Me = unused.me,
               .ListView1 = list,
               .ProgressBar1 = progress,
               .Text1 = folderBox,
               .dialogs = dialogs,
               .events = events,
               .files = files,
               .CommonDialog1 = unused.commonDialog,
               .listFiles = unused.listFiles,
               .processes = processes,
               .sleeper = sleeper,
               .settings = unused.settings,
               .folderBrowser = unused.folderBrowser,
               .SkinFramework1 = unused.skin,
               .desktop = unused.desktop,
               .clock = unused.clock};
    AppendRows(list, rows);

    std::printf("Long list, real run logic and processes, 1 ms pause, %d rows:\n", rows);
    std::printf("  %8s %12s %12s\n", "row", "RSS KiB", "descriptors");
    const auto started = std::chrono::steady_clock::now();
    list.onRow = [&](std::int64_t row) {
        if (row == 1 || row % 5000 == 0 || row == rows) {
            std::printf("  %8lld %12ld %12ld\n", static_cast<long long>(row), ResidentKiB(),
                        OpenDescriptors());
            std::fflush(stdout);
        }
    };
    PushButton2_Click(form);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - started;
    std::printf("  %.1f s, %.2f ms a row; messages: %s\n", took.count(), took.count() * 1000 / rows,
                dialogs.messages.c_str());
    std::printf(
        "  files written %ld of %d; after the run RSS %ld KiB, descriptors %ld, "
        "no child left unreaped: %s\n",
        FilesIn(folder.path()), rows, ResidentKiB(), OpenDescriptors(),
        NoChildLeftUnreaped() ? "yes" : "NO");
}

void BenchReport(int rows) {
    QTemporaryDir folder;
    std::vector<RowOutcome> unsaved;
    std::vector<RowOutcome> savedWithWarnings;
    for (int row = 1; row <= rows; ++row) {
        const std::string address = "http://bench.example/some/path/" + std::to_string(row);
        unsaved.push_back(
            {row,
             address,
             {.reason = "the host name could not be found (net::ERR_NAME_NOT_RESOLVED)"}});
        savedWithWarnings.push_back(
            {row,
             address,
             {.saved = true,
              .warnings = {"the server answered 404 Not Found",
                           "the page is 84,689 px high; the picture shows its top 65,500 px"}}});
    }
    const long kibBefore = ResidentKiB();
    platform::PosixListFiles listFiles;
    platform::PosixFileSystem files;
    const auto started = std::chrono::steady_clock::now();
    const RetryList retryList = WriteRetryList(listFiles, files, folder.path().toStdString(), "",
                                               platform::PosixClock().now(), AddressesOf(unsaved));
    const auto written = std::chrono::steady_clock::now();
    const std::string message = ClosingMessage(rows, unsaved, savedWithWarnings, retryList);
    const auto composed = std::chrono::steady_clock::now();
    const std::chrono::duration<double, std::milli> writing = written - started;
    const std::chrono::duration<double, std::milli> composing = composed - written;
    std::error_code noSize;
    std::printf(
        "The end of a run with %d rows not saved and as many saved with warnings:\n  list of them "
        "written in %.1f ms (%ju "
        "bytes), closing message (%zu bytes) composed in %.2f ms; resident memory %ld KiB "
        "before, %ld KiB after\n",
        rows, writing.count(),
        static_cast<std::uintmax_t>(std::filesystem::file_size(retryList.path, noSize)),
        message.size(), composing.count(), kibBefore, ResidentKiB());
}

}  // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const int cadenceRows = argc > 1 ? std::atoi(argv[1]) : 1000;
    const int longListRows = argc > 2 ? std::atoi(argv[2]) : 40000;
    if (cadenceRows > 0) BenchRealCadence(cadenceRows);
    if (longListRows > 0) BenchLongList(longListRows);
    if (longListRows > 0) BenchReport(longListRows);
    return 0;
}
