#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "app/form1_window.h"

namespace orlenda {

// The folder box and its browse button on the real window, with the real
// folder dialog and the real settings file in a folder of the test's own.
class FolderWindowTest : public QObject {
    Q_OBJECT

private:
    QString settingsText() const {
        QFile file(m_config.filePath(QStringLiteral("Tovrik/Orlenda.conf")));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    QTemporaryDir m_config;

private slots:
    void init() {
        QDir(m_config.path()).removeRecursively();
        QDir().mkpath(m_config.path());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_config.path());
    }

    void typingRewritesTheFileAtOnce() {
        Form1Window window;
        QVERIFY(!window.Text1->isReadOnly());
        for (const QString& typed : {QStringLiteral("/s"), QStringLiteral("h")}) {
            QTest::keyClicks(window.Text1, typed);
            QCOMPARE(settingsText().contains(QStringLiteral("Download%20Location=") +
                                             window.Text1->text() + u'\n'),
                     true);
        }
        QTest::keyClick(window.Text1, Qt::Key_Backspace);
        QVERIFY(settingsText().contains(QStringLiteral("Download%20Location=/s\n")));
    }

    void browseButtonTakesTheFolderFromTheDialog() {
        QTemporaryDir folders;
        const QString last = folders.filePath(QStringLiteral("last"));
        const QString picked = folders.filePath(QStringLiteral("picked folder"));
        QVERIFY(QDir().mkpath(last) && QDir().mkpath(picked));
        QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Tovrik"),
                  QStringLiteral("Orlenda"))
            .setValue(QStringLiteral("LastFolderDot"), last);

        Form1Window window;
        window.show();
        QString title;
        QString openedAt;
        QTimer::singleShot(0, this, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            title = dialog->windowTitle();
            openedAt = dialog->directory().absolutePath();
            dialog->setDirectory(picked);
            static_cast<QDialog*>(dialog)->accept();  // as the Choose button does
        });
        QTest::mouseClick(window.PushButton8, Qt::LeftButton);

        QCOMPARE(title, QStringLiteral("Please select folder:"));
        QCOMPARE(openedAt, last);
        QCOMPARE(window.Text1->text(), picked + u'/');
        const QString stored = settingsText();
        QVERIFY2(stored.contains(QStringLiteral("LastFolderDot=") + picked + u'\n'),
                 qPrintable(stored));
        QVERIFY2(stored.contains(QStringLiteral("Download%20Location=") + picked + u'/'),
                 qPrintable(stored));
    }

    void cancelledDialogChangesNothing() {
        Form1Window window;
        window.show();
        QTimer::singleShot(0, this, [] {
            if (QWidget* dialog = QApplication::activeModalWidget()) dialog->close();
        });
        QTest::mouseClick(window.PushButton8, Qt::LeftButton);
        QCOMPARE(window.Text1->text(), QString());
        QCOMPARE(settingsText(), QString());
    }
};

}  // namespace orlenda

QTEST_MAIN(orlenda::FolderWindowTest)
#include "folder_window_test.moc"
