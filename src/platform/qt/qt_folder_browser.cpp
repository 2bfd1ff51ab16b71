#include "platform/qt/qt_folder_browser.h"

#include <QDir>
#include <QFileDialog>
#include <QUrl>

#include "platform/qt/qt_controls.h"

namespace orlenda::platform {

std::string QtFolderBrowser::BrowseForFolder(MainWindow& owner, const std::string& title,
                                             const std::string& start) {
    QFileDialog dialog(WidgetOf(owner), QString::fromStdString(title),
                       QString::fromStdString(start));
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setSupportedSchemes({QStringLiteral("file")});
    if (dialog.exec() != QDialog::Accepted) return {};
    // A choice outside the file system, such as a network place, has no path.
    const QList<QUrl> chosen = dialog.selectedUrls();
    if (chosen.isEmpty() || !chosen.first().isLocalFile()) return {};
    return QDir::toNativeSeparators(chosen.first().toLocalFile()).toStdString();
}

}  // namespace orlenda::platform
