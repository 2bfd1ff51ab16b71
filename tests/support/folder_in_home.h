#pragma once

#include <QDir>
#include <QTemporaryDir>

namespace orlenda::testing {

// A fresh folder in the test's own home folder.
struct FolderInHome {
    bool homeMade = QDir().mkpath(QDir::homePath());
    QTemporaryDir folder{QDir::homePath() + QStringLiteral("/shots-XXXXXX")};

    // As a user types it into the folder box: "~/shots-…/" on POSIX, where
    // "~" is the home folder; the whole path on Windows.
    QString typed() const {
#ifdef _WIN32
        return QDir::toNativeSeparators(folder.path()) + u'\\';
#else
        return u'~' + folder.path().mid(QDir::home().absolutePath().size()) + u'/';
#endif
    }
};

}  // namespace orlenda::testing
