// Imports list files of realistic addresses into the real main window and
// prints, for each: the time taken (wall clock and processor), the peak memory
// of the whole program so far (VmHWM) and the longest gap between two turns
// of the event loop. Then a 200 MB file without a line end, and the paint of
// the longest row a file may hold.
//
//   build/bin/import_bench [lines...]      (default: 100000 1000000)
//
// Runs on the offscreen platform unless QT_QPA_PLATFORM names another, as in
//   QT_QPA_PLATFORM=xcb DISPLAY=:103 build/bin/import_bench

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "app/form1_window.h"
#include "sitelist/file_to_list.h"
#include "support/bench_figures.h"

namespace {

using Clock = std::chrono::steady_clock;

// Addresses as people collect them: schemes, subdomains, paths and queries of
// varied length, every one different. Lines end with CR LF or LF.
void WriteList(const std::string& path, long lines, bool crlf) {
    static constexpr std::array<const char*, 6> kHosts{"www.example.com",  "news.example.org",
                                                       "shop.example.net", "blog.example.co.uk",
                                                       "docs.example.io",  "example.de"};
    static constexpr std::array<const char*, 5> kPaths{
        "", "/", "/articles/2021/08/31/a-long-story-about-web-pages",
        "/search?q=site+capture&page=", "/products/item-"};
    std::ofstream out(path, std::ios::binary);
    for (long i = 0; i < lines; ++i) {
        out << (i % 3 == 0 ? "http://" : "https://") << kHosts[i % kHosts.size()]
            << kPaths[(i / 7) % kPaths.size()] << i << (crlf ? "\r\n" : "\n");
    }
}

// The longest time between two wake-ups of the event loop while importing.
class LoopGapMeter {
public:
    LoopGapMeter() {
        QObject::connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::awake,
                         [this] { turn(); });
    }
    void start() {
        m_last = Clock::now();
        m_longest = {};
        m_turns = 0;
    }
    void turn() {
        const auto now = Clock::now();
        m_longest = std::max(m_longest, now - m_last);
        m_last = now;
        ++m_turns;
    }
    double longestMilliseconds() const {
        return std::chrono::duration<double, std::milli>(m_longest).count();
    }
    long turns() const { return m_turns; }

private:
    Clock::time_point m_last;
    Clock::duration m_longest{};
    long m_turns = 0;
};

struct Measured {
    double seconds = 0;
    double cpuSeconds = 0;  // far below seconds when other programs took the processor
    std::string failure;
};

double CpuSeconds() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

// Imports into an emptied list, the window settled first.
Measured Import(orlenda::Form1Window& window, LoopGapMeter& meter, const std::string& path) {
    window.form().ListView1.clear();
    QApplication::processEvents();
    Measured measured;
    const double cpuStart = CpuSeconds();
    QElapsedTimer timer;
    timer.start();
    meter.start();
    try {
        orlenda::FileToList(window.form(), path);
    } catch (const std::exception& failure) {
        measured.failure = failure.what();
    }
    meter.turn();
    measured.seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    measured.cpuSeconds = CpuSeconds() - cpuStart;
    return measured;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));

    std::vector<long> sizes;
    for (int i = 1; i < argc; ++i) sizes.push_back(std::stol(argv[i]));
    if (sizes.empty()) sizes = {100000, 1000000};

    orlenda::Form1Window window;
    window.form().ListView1.addColumn(" Web Site(s)");
    window.show();
    QApplication::processEvents();

    QTemporaryDir folder;
    const std::string path = folder.filePath(QStringLiteral("list.txt")).toStdString();
    LoopGapMeter meter;
    std::printf("%-18s %8s %8s %10s %15s %11s %9s\n", "file", "seconds", "CPU s", "peak MiB",
                "longest gap ms", "loop turns", "rows");
    const auto report = [&](const std::string& name) {
        const Measured measured = Import(window, meter, path);
        std::printf("%-18s %8.2f %8.2f %10.1f %15.1f %11ld %9lld\n", name.c_str(), measured.seconds,
                    measured.cpuSeconds, orlenda::bench::PeakResidentMiB(),
                    meter.longestMilliseconds(), meter.turns(),
                    static_cast<long long>(window.form().ListView1.rowCount()));
        if (!measured.failure.empty()) std::printf("  failed: %s\n", measured.failure.c_str());
        std::fflush(stdout);
    };
    for (const long lines : sizes) {
        for (const bool crlf : {true, false}) {
            WriteList(path, lines, crlf);
            report(std::to_string(lines) + (crlf ? " CR LF" : " LF"));
        }
    }

    // The worst input: 200 MB without a line end.
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        const std::string block(1024 * 1024, 'x');
        for (int i = 0; i < 200; ++i) out << block;
    }
    report("200 MB, no line end");

    // The longest row a file may hold, painted.
    window.form().ListView1.append(std::string(orlenda::kLongestRowBytes, 'x'));
    QElapsedTimer timer;
    timer.start();
    window.repaint();
    std::printf("painting a row of %zu bytes: %.1f ms\n", orlenda::kLongestRowBytes,
                static_cast<double>(timer.nsecsElapsed()) / 1e6);
    return 0;
}
