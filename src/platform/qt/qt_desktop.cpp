#include "platform/qt/qt_desktop.h"

#include <QDesktopServices>
#include <QDir>
#include <QGuiApplication>
#include <QStandardPaths>
#include <QUrl>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

namespace orlenda::platform {

namespace {

std::string NativeFolder(const QString& folder) {
    return folder.isEmpty() ? std::string()
                            : QDir::toNativeSeparators(QDir::cleanPath(folder)).toStdString();
}

}  // namespace

// Qt reads the folders the way xdg-user-dir does (user-dirs.dirs, else a
// folder of that name in the home folder); an empty home makes the desktop
// "//Desktop", which the clean-up turns into "/Desktop".
std::string QtDesktop::desktopFolder() const {
    return NativeFolder(QStandardPaths::writableLocation(QStandardPaths::DesktopLocation));
}

std::string QtDesktop::picturesFolder() const {
    return NativeFolder(QStandardPaths::writableLocation(QStandardPaths::PicturesLocation));
}

std::string QtDesktop::homeFolder() const { return NativeFolder(QDir::homePath()); }

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

void QtDesktop::endProgram(const ProgramEnd& end) {
    // Not through the event loop: a run or an import may be polling inside
    // a handler, and no handler may run again. Every setting is already
    // stored, and a started capture tool runs on by itself.
    std::fputs(end.standardError.c_str(), stderr);
    std::fflush(nullptr);
    if (end.signal != 0) {
        std::signal(end.signal, SIG_DFL);
        std::raise(end.signal);
    }
    std::_Exit(end.exitStatus);
}

}  // namespace orlenda::platform
