// Appends a million addresses to the real list in the real window, then
// removes rows from the middle, scrolls and paints. Prints time and memory.
#include <QApplication>
#include <QScrollBar>
#include <cstdio>
#include <string>

#include "app/form1_window.h"
#include "form/form1_layout.h"
#include "platform/qt/site_list_view.h"
#include "support/bench_figures.h"

using orlenda::bench::PeakResidentMiB;
using orlenda::bench::Stopwatch;

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    const int rowCount = argc > 1 ? std::stoi(argv[1]) : 1'000'000;
    const int removals = 1'000;

    orlenda::Form1Window window;
    auto& list = window.form().ListView1;
    list.addColumn(" Web Site(s)");
    list.setFirstColumnWidth(orlenda::kListColumnWidthTwips);
    window.show();
    QApplication::processEvents();
    const double baseline = PeakResidentMiB();

    Stopwatch appending;
    for (int i = 0; i < rowCount; ++i) {
        list.append("http://www.site-" + std::to_string(i) + ".example.com/page/index.html");
        if (i % 1000 == 0) QApplication::processEvents();  // the window keeps painting
    }
    QApplication::processEvents();
    const double appendSeconds = appending.seconds();

    Stopwatch removing;
    for (int i = 0; i < removals; ++i) {
        window.ListView1->setCurrentIndex(window.ListView1->model()->index(rowCount / 2 - i, 0));
        list.removeRow(list.currentRow());
        QApplication::processEvents();
    }
    const double removeSeconds = removing.seconds();

    Stopwatch scrolling;
    QScrollBar* bar = window.ListView1->verticalScrollBar();
    for (int step = 0; step <= 100; ++step) {
        bar->setValue(bar->maximum() / 100 * step);
        window.ListView1->viewport()->repaint();
    }
    const double scrollSeconds = scrolling.seconds();

    // A 2 MiB address, as a list file may hold, shown in the list and on the bar.
    const std::string hugeAddress = "http://" + std::string(std::size_t{2} << 20, 'a');
    Stopwatch showingHuge;
    list.append(hugeAddress);
    window.form().ProgressBar1.setText("Processing: " + hugeAddress);
    window.ListView1->scrollToBottom();
    window.repaint();
    const double hugeSeconds = showingHuge.seconds();

    std::printf("rows appended:            %d in %.2f s (%.2f us/row)\n", rowCount, appendSeconds,
                appendSeconds * 1e6 / rowCount);
    std::printf("rows removed from middle: %d in %.2f s (%.2f ms/row)\n", removals, removeSeconds,
                removeSeconds * 1e3 / removals);
    std::printf("scroll top to bottom:     101 repaints in %.2f s\n", scrollSeconds);
    std::printf("a 2 MiB address:          listed, on the bar and painted in %.0f ms\n",
                hugeSeconds * 1e3);
    std::printf("peak resident memory:     %.0f MiB (window alone %.0f MiB)\n", PeakResidentMiB(),
                baseline);
    return 0;
}
