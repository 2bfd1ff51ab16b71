#pragma once

#include <QDir>
#include <QString>
#include <QTemporaryDir>

namespace orlenda::testing {

// A fresh folder in the test's own home folder, made anew for each test.
class FolderInHome {
public:
    FolderInHome() : m_folder(MadeHome() + QStringLiteral("/shots-XXXXXX")) {}

    bool isValid() const { return m_folder.isValid(); }
    QString path() const { return m_folder.path(); }
    QString filePath(const QString& name) const { return m_folder.filePath(name); }
    const QTemporaryDir& folder() const { return m_folder; }

    // The folder as a user types it into the folder box: "~/shots-…/" on
    // POSIX, where "~" is the home folder; the whole path on Windows.
    QString typed() const {
#ifdef _WIN32
        return QDir::toNativeSeparators(path()) + u'\\';
#else
        return u'~' + path().mid(QDir::home().absolutePath().size()) + u'/';
#endif
    }

private:
    static QString MadeHome() {
        const QString home = QDir::home().absolutePath();
        QDir().mkpath(home);
        return home;
    }

    QTemporaryDir m_folder;
};

}  // namespace orlenda::testing
