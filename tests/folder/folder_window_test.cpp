#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "app/form1_window.h"
#include "fakes/settings_folder.h"

namespace orlenda {

// The folder box and its browse button on the real window, with the real
// folder dialog and a real settings file.
class FolderWindowTest : public QObject {
    Q_OBJECT

private slots:
    void typingRewritesTheFileAtOnce() {
        const testing::SettingsFolder settings;
        Form1Window window;
        QVERIFY(!window.Text1->isReadOnly());
        for (const QString& typed : {QStringLiteral("/s"), QStringLiteral("h")}) {
            QTest::keyClicks(window.Text1, typed);
            QCOMPARE(settings.qtext().contains(QStringLiteral("Download%20Location=") +
                                               window.Text1->text() + u'\n'),
                     true);
        }
        QTest::keyClick(window.Text1, Qt::Key_Backspace);
        QVERIFY(settings.qtext().contains(QStringLiteral("Download%20Location=/s\n")));
    }

    void browseButtonTakesTheFolderFromTheDialog() {
        const testing::SettingsFolder settings;
        QTemporaryDir folders;
        const QString last = folders.filePath(QStringLiteral("last"));
        const QString picked = folders.filePath(QStringLiteral("picked folder"));
        QVERIFY(QDir().mkpath(last) && QDir().mkpath(picked));
        settings.write("[General]\nLastFolderDot=" + last.toStdString() + "\n");

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
        const QString stored = settings.qtext();
        QVERIFY2(stored.contains(QStringLiteral("LastFolderDot=") + picked + u'\n'),
                 qPrintable(stored));
        QVERIFY2(stored.contains(QStringLiteral("Download%20Location=") + picked + u'/'),
                 qPrintable(stored));
    }
};

}  // namespace orlenda

QTEST_MAIN(orlenda::FolderWindowTest)
#include "folder_window_test.moc"
