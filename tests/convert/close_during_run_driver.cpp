// Starts a run on the real window over the rows of its arguments and ends the
// program the given way while the capture of the given row runs: "close"
// closes the window; "SIGTERM", "SIGHUP" or "SIGINT" sends that signal, and
// "Ctrl+C" presses it on a console, as a log-out, a shut-down, kill or a
// closed terminal asks the program to end. Exits with 0 when the program
// ended so, with 3 when the run came back instead.
// Arguments: FOLDER ROW WAY ADDRESS...

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include "app/form1_window.h"
#include "app/stop_request_watch.h"
#include "convert/convert_handlers.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <signal.h>
#include <unistd.h>
#endif

namespace {

void End(orlenda::Form1Window& window, const QString& way) {
    if (way == QStringLiteral("close")) {
        window.close();
        return;
    }
#ifdef _WIN32
    // On a console of its own, so that no other program gets the Ctrl+C.
    ::FreeConsole();
    ::AllocConsole();
    ::GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0);
#else
    const int signal = way == QStringLiteral("SIGTERM")  ? SIGTERM
                       : way == QStringLiteral("SIGHUP") ? SIGHUP
                                                         : SIGINT;
    ::kill(::getpid(), signal);
#endif
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() < 5) return 2;
    orlenda::Form1Window window;
    // As the program's main sets it up.
    const orlenda::StopRequestWatch stopRequests(
        [&window](int signal) { window.endAsClosed(signal); });
    for (const QString& address : arguments.mid(4)) {
        window.form().ListView1.append(address.toStdString());
    }
    window.Text1->setText(arguments[1]);
    window.show();
    const std::string endingRow =
        orlenda::kProcessingPrefix + arguments[arguments[2].toInt() + 3].toStdString();
    // The bar names the row just before its tool starts: a moment later, the
    // tool runs.
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, &window, [&] {
        if (!window.form().ProgressBar1.text().starts_with(endingRow)) return;
        watch.stop();
        QTimer::singleShot(300, &window, [&] { End(window, arguments[3]); });
    });
    watch.start(10);
    QTimer::singleShot(0, &window, [&] {
        window.PushButton2->click();
        std::exit(3);
    });
    return application.exec();
}
