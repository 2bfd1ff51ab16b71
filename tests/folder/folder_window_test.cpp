#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include "app/form1_window.h"
#include "support/folder_in_home.h"
#include "support/modal_dialogs.h"
#include "support/settings_sandbox.h"

namespace orlenda {

// The browse button on the real window, with the real folder dialog and the
// real settings store.
class FolderWindowTest : public QObject {
    Q_OBJECT

private slots:
    void browseButtonTakesTheFolderFromTheDialog() {
        const testing::SettingsSandbox settings;
        QTemporaryDir folders;
        const QString last = folders.filePath(QStringLiteral("last"));
        const QString picked = folders.filePath(QStringLiteral("picked folder"));
        QVERIFY(QDir().mkpath(last) && QDir().mkpath(picked));
        testing::Store("LastFolderDot", QDir::toNativeSeparators(last).toStdString());

        Form1Window window;
        window.show();
        QString title;
        QString openedAt;
        testing::AnswerNextModal([&](QWidget& modal) {
            auto* dialog = qobject_cast<QFileDialog*>(&modal);
            if (!dialog) return void(modal.close());  // leaves the title unset
            title = dialog->windowTitle();
            openedAt = dialog->directory().absolutePath();
            dialog->setDirectory(picked);
            static_cast<QDialog*>(dialog)->accept();  // as the Choose button does
        });
        QTest::mouseClick(window.PushButton8, Qt::LeftButton);

        QCOMPARE(title, QStringLiteral("Please select folder:"));
        QCOMPARE(openedAt, last);
        const std::string pickedPath = QDir::toNativeSeparators(picked).toStdString();
        QCOMPARE(window.Text1->text().toStdString(), pickedPath + platform::kPathSeparator);
        QCOMPARE(
            testing::Stored(),
            (testing::StoredSettings{{"Download Location", pickedPath + platform::kPathSeparator},
                                     {"LastFolderDot", pickedPath}}));
    }

    // Nothing picked yet: the dialog opens at the folder in the box, also
    // one typed from the home folder with "~" on Linux, else at home.
    void withNothingPickedYetTheDialogOpensAtTheBoxsFolderElseAtHome() {
        const testing::SettingsSandbox settings;
        const testing::FolderInHome inHome;
        QVERIFY(inHome.folder.isValid());
        const QString typed = inHome.typed();
        const QString gone =
            QDir::toNativeSeparators(inHome.folder.filePath(QStringLiteral("gone")));

        Form1Window window;
        window.show();
        QStringList openedAt;
        for (const QString& box : {typed, gone}) {
            window.Text1->setText(box);
            testing::AnswerNextModal([&](QWidget& modal) {
                if (auto* dialog = qobject_cast<QFileDialog*>(&modal)) {
                    openedAt.append(dialog->directory().absolutePath());
                }
                modal.close();
            });
            QTest::mouseClick(window.PushButton8, Qt::LeftButton);
        }

        QCOMPARE(openedAt, (QStringList{inHome.folder.path(), QDir::home().absolutePath()}));
    }
};

}  // namespace orlenda

QTEST_MAIN(orlenda::FolderWindowTest)
#include "folder_window_test.moc"
