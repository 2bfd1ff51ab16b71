// Imports list files of realistic addresses into the real main window and
// prints, for each size: the time taken, the peak memory of the whole program
// so far (VmHWM) and the longest gap between two turns of the event loop.
//
//   import_bench [lines...]      (default: 100000 1000000)
//
// Runs on the offscreen platform unless QT_QPA_PLATFORM names another.

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "app/form1_window.h"
#include "sitelist/file_to_list.h"

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

long PeakMemoryKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
    }
    return -1;
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
    LoopGapMeter meter;
    std::printf("%-10s %-5s %10s %14s %16s %12s %10s\n", "lines", "ends", "seconds", "peak MiB",
                "longest gap ms", "loop turns", "rows");
    for (const long lines : sizes) {
        for (const bool crlf : {true, false}) {
            const std::string path = folder.filePath(QStringLiteral("list.txt")).toStdString();
            WriteList(path, lines, crlf);
            window.form().ListView1.clear();
            QApplication::processEvents();

            QElapsedTimer timer;
            timer.start();
            meter.start();
            orlenda::FileToList(window.form(), path);
            meter.turn();
            const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
            std::printf("%-10ld %-5s %10.2f %14.1f %16.1f %12ld %10lld\n", lines,
                        crlf ? "CRLF" : "LF", seconds, PeakMemoryKiB() / 1024.0,
                        meter.longestMilliseconds(), meter.turns(),
                        static_cast<long long>(window.form().ListView1.rowCount()));
            std::fflush(stdout);
        }
    }
    // The worst input: one line of 200 MB. Then the longest row there may be, painted.
    const std::string huge = folder.filePath(QStringLiteral("huge.txt")).toStdString();
    {
        std::ofstream out(huge, std::ios::binary);
        const std::string block(1024 * 1024, 'x');
        for (int i = 0; i < 200; ++i) out << block;
    }
    window.form().ListView1.clear();
    QElapsedTimer timer;
    timer.start();
    meter.start();
    try {
        orlenda::FileToList(window.form(), huge);
    } catch (const std::exception& failure) {
        std::printf("200 MB without a line end: %s\n", failure.what());
    }
    std::printf("  %.2f s, peak %.1f MiB, longest gap %.1f ms\n", timer.nsecsElapsed() / 1e9,
                PeakMemoryKiB() / 1024.0, meter.longestMilliseconds());
    window.form().ListView1.append(std::string(orlenda::kLongestRowBytes, 'x'));
    timer.restart();
    window.repaint();
    std::printf("painting a row of %zu bytes: %.1f ms\n", orlenda::kLongestRowBytes,
                timer.nsecsElapsed() / 1e6);
    return 0;
}
