// The Start button on the real window with no capture tool next to the
// program.

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include "platform/qt/text_progress_bar.h"
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "app/form1_window.h"
#include "convert/message_box_answerer.h"

using orlenda::Form1Window;
using orlenda::testing::MessageBoxAnswerer;

class RunWithoutToolTest : public QObject {
    Q_OBJECT

private slots:
    void aMissingToolRunsThroughToDone();
    void anEmptyListSaysSoInAPlainBox();
};

void RunWithoutToolTest::aMissingToolRunsThroughToDone() {
    QVERIFY(!QFile::exists(QCoreApplication::applicationDirPath() + "/iecapt"));
    QTemporaryDir folder;
    Form1Window window;
    window.form().ListView1.append("http://a/1");
    window.form().ListView1.append("http://a/2");
    window.Text1->setText(folder.path());
    MessageBoxAnswerer answerer;
    window.PushButton2->click();

    QCOMPARE(answerer.texts(), QStringList{"Done."});
    QVERIFY(QDir(folder.path()).isEmpty());
    QCOMPARE(window.form().ListView1.rowCount(), 2);
    QCOMPARE(window.ProgressBar1->text(), QStringLiteral("Progress Bar"));
    QVERIFY(!window.form().IsRunning);
}

void RunWithoutToolTest::anEmptyListSaysSoInAPlainBox() {
    Form1Window window;
    MessageBoxAnswerer answerer;
    window.PushButton2->click();

    QCOMPARE(answerer.texts(), QStringList{"No files added."});
    QCOMPARE(answerer.boxes[0].icon, QMessageBox::NoIcon);
    QCOMPARE(answerer.boxes[0].title, QStringLiteral("Orlenda"));
    QVERIFY(!window.form().IsRunning);
}

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationDisplayName(QString::fromUtf8(orlenda::kApplicationTitle));
    RunWithoutToolTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "run_without_tool_test.moc"
