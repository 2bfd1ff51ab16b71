// A stand-in for the capture tool lies next to this test, as the real tool
// lies next to the program, and records how it ran.

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "app/form1_window.h"
#include "convert/message_box_answerer.h"
#include "convert/stand_in_record.h"

namespace orlenda {

class RunWindowTest : public QObject {
    Q_OBJECT

private slots:
    void startCapturesEveryRowOneAfterAnotherWhileTheWindowServesClicks() {
        QTemporaryDir folder;
        const std::string recordPath = folder.filePath(QStringLiteral("record")).toStdString();
        qputenv(testing::kRecordVariable, QByteArray::fromStdString(recordPath));
        qputenv(testing::kSleepVariable, "300");
        Form1Window window;
        window.form().ListView1.append("http://a/b");
        window.form().ListView1.append("x\\y");
        window.Text1->setText(folder.path() + "/");  // as the browse button leaves it
        window.show();
        testing::MessageBoxAnswerer answerer;
        bool busyWhileFirstToolRan = false;
        // The first tool sleeps 300 ms: a second start is ignored, adding works.
        QTimer::singleShot(100, &window, [&] {
            busyWhileFirstToolRan = testing::ReadToolRuns(recordPath).empty() &&
                                    window.form().isBusy() &&
                                    window.cursor().shape() == Qt::WaitCursor;
            window.PushButton2->click();
            window.PushButton3->click();
        });
        window.PushButton2->click();

        QVERIFY(busyWhileFirstToolRan);
        QCOMPARE(answerer.seen, QStringList{QStringLiteral("Orlenda: Done.")});
        QCOMPARE(window.form().ListView1.rowCount(), 4);
        const std::string tool = (QCoreApplication::applicationDirPath() + "/iecapt").toStdString();
        const std::string out = "--out=" + folder.path().toStdString() + "/";
        const std::vector<testing::ToolRun> runs = testing::ReadToolRuns(recordPath);
        QCOMPARE(runs.size(), 2u);
        QCOMPARE(runs[0].arguments,
                 (std::vector<std::string>{tool, "--url=http://a/b", out + "a_b.jpg"}));
        QCOMPARE(runs[1].arguments,
                 (std::vector<std::string>{tool, "--url=x\\y", out + "x y.jpg"}));
        QVERIFY(runs[0].ended < runs[1].started);
        QVERIFY(!window.form().isBusy() && !window.form().IsRunning);
    }
};

}  // namespace orlenda

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationDisplayName(QString::fromUtf8(orlenda::kApplicationTitle));
    orlenda::RunWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "run_window_test.moc"
