#include "platform/qt/qt_desktop.h"

#include <QDesktopServices>
#include <QDir>
#include <QGuiApplication>
#include <QStandardPaths>
#include <QUrl>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

namespace orlenda::platform {

std::string QtDesktop::desktopFolder() const {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    // An empty home makes it "//Desktop".
    return folder.isEmpty() ? std::string()
                            : QDir::toNativeSeparators(QDir::cleanPath(folder)).toStdString();
}

void QtDesktop::openWebPage(const std::string& address) {
    // Hands the address to the desktop's opener (xdg-open on Linux), which
    // runs detached: nothing waits for the browser.
    if (!QDesktopServices::openUrl(QUrl(QString::fromStdString(address)))) {
        throw std::runtime_error("No web browser could be started for " + address + ".");
    }
}

void QtDesktop::setApplicationTitle(const std::string& title) {
    QGuiApplication::setApplicationDisplayName(QString::fromStdString(title));
}

void QtDesktop::endProgram() {
    // Not through the event loop: a run or an import may be polling inside
    // a handler, and no handler may run again. Every setting is already
    // stored, and a started capture tool runs on by itself.
    std::fflush(nullptr);
    std::_Exit(EXIT_SUCCESS);
}

}  // namespace orlenda::platform
