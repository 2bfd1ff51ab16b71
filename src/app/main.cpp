#include <QApplication>

#include "app/form1_window.h"
#include "app/native_services.h"
#include "app/stop_request_watch.h"
#include "startup/startup.h"

int main(int argc, char* argv[]) {
    orlenda::PrepareForTheToolkit();
    QApplication application(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));
    // Ties the window to the installed orlenda.desktop (Wayland uses it for
    // the task bar's name and icon).
    QGuiApplication::setDesktopFileName(QStringLiteral("orlenda"));

    orlenda::Form1Window window;
    // A log-out, a shut-down or kill ends the program as closing the window does.
    const orlenda::StopRequestWatch stopRequests(
        [&window](int signal) { window.endAsClosed(signal); });
    // Placed first, so that messages of start-up stand where the window will.
    window.centerOnScreen();
    orlenda::Form_Load(window.form());
    window.show();
    return application.exec();
}
