// Rows from strangers in a real run: the run saves what it can, says why it
// cannot save the rest, starts nothing in their place and goes on. The
// stand-in tool lies next to this test and records how it ran.

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>

#include "app/form1_window.h"
#include "support/message_box_answerer.h"
#include "support/stand_in_record.h"

namespace orlenda {

class UntrustedRowsTest : public QObject {
    Q_OBJECT

    static std::string recordIn(const QTemporaryDir& folder) {
        const std::string recordPath = folder.filePath(QStringLiteral("record")).toStdString();
        qputenv(testing::kRecordVariable, QByteArray::fromStdString(recordPath));
        qputenv(testing::kSleepVariable, "0");
        return recordPath;
    }

    static bool anyContains(const QStringList& messages, const char* text) {
        return std::any_of(messages.begin(), messages.end(),
                           [&](const QString& message) { return message.contains(text); });
    }

private slots:
    // The system passes at most 128 KiB as one argument.
    void anAddressTooLongToPassIsReportedAndTheRunGoesOn() {
        QTemporaryDir folder;
        const std::string recordPath = recordIn(folder);
        Form1Window window;
        window.form().ListView1.append("http://a/" + std::string(200 * 1024, 'q'));
        window.form().ListView1.append("http://a/b");
        window.Text1->setText(folder.path() + "/");
        testing::MessageBoxAnswerer answerer;
        window.PushButton2->click();

        QVERIFY2(anyContains(answerer.seen, "the address is too long to pass to the capture tool"),
                 qPrintable(answerer.seen.join('\n').left(1000)));
        // Told in the run's report, not as a failed step.
        QVERIFY(!anyContains(answerer.seen, "Application Error"));
        const std::vector<testing::ToolRun> runs = testing::ReadToolRuns(recordPath);
        QCOMPARE(runs.size(), 1u);
        QCOMPARE(runs[0].arguments.at(1), std::string("--url=http://a/b"));
        QVERIFY(!window.form().IsRunning);
    }

    // Names beyond the file system's 255 bytes are shortened, and stay apart.
    void longAddressesAreSavedUnderShortenedDistinctNames() {
        QTemporaryDir folder;
        const std::string recordPath = recordIn(folder);
        Form1Window window;
        const std::string query = "http://a.example/search?q=" + std::string(300, 'q');
        window.form().ListView1.append(query + "1");
        window.form().ListView1.append(query + "2");
        window.Text1->setText(folder.path() + "/");
        testing::MessageBoxAnswerer answerer;
        window.PushButton2->click();

        const std::vector<testing::ToolRun> runs = testing::ReadToolRuns(recordPath);
        QCOMPARE(runs.size(), 2u);
        const QStringList saved = QDir(folder.path()).entryList({"*.jpg"}, QDir::Files);
        QCOMPARE(saved.size(), 2);
        QVERIFY(runs[0].arguments.at(2) != runs[1].arguments.at(2));
    }

    // With the program in /top/x" "y, its command line would start /top/x
    // with the arguments y/iecapt, --url=... and --out=... .
    void aDoubleQuoteInTheProgramsFolderStartsNothingElse() {
#ifdef _WIN32
        QSKIP("Windows folder names hold no double quote");
#endif
        QTemporaryDir top;
        const std::string recordPath = recordIn(top);
        const QString programFolder = top.filePath(QStringLiteral("x\" \"y"));
        const QString here = QCoreApplication::applicationDirPath();
        QVERIFY(QDir().mkdir(programFolder));
        QVERIFY(QFile::copy(here + "/one_run_driver", programFolder + "/one_run_driver"));
        QVERIFY(QFile::copy(here + "/iecapt", programFolder + "/iecapt"));
        QVERIFY(QFile::copy(here + "/iecapt", top.filePath(QStringLiteral("x"))));

        QProcess program;
        program.start(programFolder + "/one_run_driver", {top.path() + "/", "http://a/b"});
        QVERIFY(program.waitForFinished(30000));
        QCOMPARE(program.exitCode(), 0);
        const std::vector<testing::ToolRun> runs = testing::ReadToolRuns(recordPath);
        QVERIFY2(runs.empty(), runs.empty() ? "" : runs[0].arguments[0].c_str());
        const QString messages = QString::fromLocal8Bit(program.readAllStandardOutput());
        QVERIFY2(messages.contains("the program's folder holds a double quote"),
                 qPrintable(messages));
    }
};

}  // namespace orlenda

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationDisplayName(QString::fromUtf8(orlenda::kApplicationTitle));
    orlenda::UntrustedRowsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "untrusted_rows_test.moc"
