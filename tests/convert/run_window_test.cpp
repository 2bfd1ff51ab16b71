// The Start button on the real window, with real processes: a stand-in for
// the capture tool lies next to this test, as the real tool lies next to the
// program, and records how it was started.

#include <QApplication>
#include <QLineEdit>
#include <QProcess>
#include "platform/qt/text_progress_bar.h"
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "app/form1_window.h"
#include "convert/message_box_answerer.h"
#include "convert/stand_in_record.h"
#include "platform/qt/site_list_view.h"

using orlenda::Form1Window;
using orlenda::testing::MessageBoxAnswerer;
using orlenda::testing::ReadToolRecord;
using orlenda::testing::ToolRecord;

class RunWindowTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void startConvertsEveryRowInOrder();
    void duringARunOnlyAddingWorks();
    void anAddressWithBlanksAndQuotesStaysOneArgument();
    void closingTheWindowEndsTheProgramAndLeavesTheToolRunning();

private:
    void fill(Form1Window& window, const QStringList& addresses);
    ToolRecord record() const { return ReadToolRecord(m_recordPath.toStdString()); }
    std::string toolPath() const {
        return (QCoreApplication::applicationDirPath() + "/iecapt").toStdString();
    }
    std::string outputArgument(const std::string& fileName) const {
        return "--out=" + m_folder.path().toStdString() + "/" + fileName;
    }

    QTemporaryDir m_folder;
    QTemporaryDir m_recordFolder;
    QString m_recordPath;
};

void RunWindowTest::init() {
    QVERIFY(m_folder.isValid() && m_recordFolder.isValid());
    m_recordPath = m_recordFolder.filePath(QStringLiteral("record"));
    QFile::remove(m_recordPath);
    qputenv(orlenda::testing::kRecordVariable, m_recordPath.toLocal8Bit());
    qputenv(orlenda::testing::kSleepVariable, "300");
}

void RunWindowTest::fill(Form1Window& window, const QStringList& addresses) {
    for (const QString& address : addresses) window.form().ListView1.append(address.toStdString());
    // A folder ending in a separator, as the browse button leaves it.
    window.Text1->setText(m_folder.path() + "/");
}

void RunWindowTest::startConvertsEveryRowInOrder() {
    Form1Window window;
    fill(window, {"http://a/b", "http://c.d/e?f=1", "x\\y"});
    MessageBoxAnswerer answerer;
    window.PushButton2->click();

    QCOMPARE(answerer.texts(), QStringList{"Done."});
    QCOMPARE(answerer.boxes[0].icon, QMessageBox::NoIcon);
    QCOMPARE(answerer.boxes[0].title, QStringLiteral("Orlenda"));
    const ToolRecord tools = record();
    QCOMPARE(tools.starts.size(), 3u);
    QCOMPARE(tools.starts[0].arguments,
             (std::vector<std::string>{toolPath(), "--url=http://a/b", outputArgument("a_b.jpg")}));
    QCOMPARE(tools.starts[1].arguments,
             (std::vector<std::string>{toolPath(), "--url=http://c.d/e?f=1",
                                       outputArgument("c.d_e f=1.jpg")}));
    QCOMPARE(tools.starts[2].arguments,
             (std::vector<std::string>{toolPath(), "--url=x\\y", outputArgument("x y.jpg")}));
    // Each tool ended before the next one started.
    QCOMPARE(tools.ends.size(), 3u);
    QCOMPARE(window.ProgressBar1->value(), 0);
    QCOMPARE(window.ProgressBar1->text(), QStringLiteral("Progress Bar"));
    QVERIFY(!window.form().isBusy());
    QVERIFY(!window.form().IsRunning);
}

void RunWindowTest::duringARunOnlyAddingWorks() {
    Form1Window window;
    fill(window, {"http://a/1", "http://a/2", "http://a/3"});
    window.show();
    MessageBoxAnswerer answerer;
    bool busyDuringRun = false;
    // The first tool sleeps 300 ms: act while it runs.
    QTimer::singleShot(100, &window, [&] {
        busyDuringRun = window.form().isBusy() && window.cursor().shape() == Qt::WaitCursor;
        window.PushButton2->click();
        window.PushButton7->click();
        window.ListView1->selectRow(0);
        QTest::keyClick(window.ListView1, Qt::Key_Delete);
        window.PushButton3->click();
    });
    window.PushButton2->click();

    QVERIFY(busyDuringRun);
    QCOMPARE(answerer.texts(), QStringList{"Done."});
    QCOMPARE(window.form().ListView1.rowCount(), 5);
    QCOMPARE(record().starts.size(), 3u);
}

void RunWindowTest::anAddressWithBlanksAndQuotesStaysOneArgument() {
    Form1Window window;
    fill(window, {"http://a/b c\"d\te --out=/tmp/x"});
    MessageBoxAnswerer answerer;
    window.PushButton2->click();

    QCOMPARE(answerer.texts(), QStringList{"Done."});
    const ToolRecord tools = record();
    QCOMPARE(tools.starts.size(), 1u);
    QCOMPARE(tools.starts[0].arguments,
             (std::vector<std::string>{toolPath(), "--url=http://a/b%20c%22d%09e%20--out=/tmp/x",
                                       outputArgument("a_b c\"d\te --out=_tmp_x.jpg")}));
}

void RunWindowTest::closingTheWindowEndsTheProgramAndLeavesTheToolRunning() {
    qputenv(orlenda::testing::kSleepVariable, "1500");
    QProcess program;
    program.start(QCoreApplication::applicationDirPath() + "/close_during_run_driver",
                  {m_folder.path() + "/"});
    QVERIFY(program.waitForFinished(10000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);

    // The program ended during the first capture; its tool finishes on its own.
    ToolRecord tools = record();
    QCOMPARE(tools.starts.size(), 1u);
    QVERIFY(tools.ends.empty());
    QVERIFY(tools.starts[0].sessionLeader);
    QTRY_COMPARE_WITH_TIMEOUT(record().ends.size(), 1u, 10000);
    QCOMPARE(record().starts.size(), 1u);
}

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationDisplayName(QString::fromUtf8(orlenda::kApplicationTitle));
    RunWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "run_window_test.moc"
