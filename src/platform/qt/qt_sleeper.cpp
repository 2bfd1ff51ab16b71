#include "platform/qt/qt_sleeper.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <chrono>
#include <thread>

namespace orlenda::platform {

// A run spends nearly all its time in these pauses. Blocking the thread for
// them would hold every keystroke and repaint for up to 100 ms; an event loop
// that a timer ends after the same time keeps typing and scrolling smooth and
// changes nothing for the caller, which already lets events run between its
// pauses. The timer is precise so that the pause stays 100 ms.
void QtSleeper::sleep(int milliseconds) {
    QElapsedTimer elapsed;
    elapsed.start();
    QEventLoop loop;
    QTimer::singleShot(milliseconds, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
    // A loop returns at once while the application is quitting: pause the
    // rest plainly so that a caller still polling does not spin.
    const auto rest = milliseconds - elapsed.elapsed();
    if (rest > 0) std::this_thread::sleep_for(std::chrono::milliseconds(rest));
}

}  // namespace orlenda::platform
