// A stand-in for the capture tool lies next to this test, as the real tool
// lies next to the program, and records how it ran.

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/form1_window.h"
#include "convert/command_line.h"
#include "support/folder_in_home.h"
#include "support/message_box_answerer.h"
#include "support/settings_sandbox.h"
#include "support/stand_in_record.h"

namespace orlenda {

class RunWindowTest : public QObject {
    Q_OBJECT

    // Has each stand-in tool sleep that long and record its run in the folder.
    static std::string standInRecordsIn(const QTemporaryDir& folder, const char* sleepMs) {
        const std::string recordPath = folder.filePath(QStringLiteral("record")).toStdString();
        qputenv(testing::kRecordVariable, QByteArray::fromStdString(recordPath));
        qputenv(testing::kSleepVariable, sleepMs);
        qunsetenv(testing::kEndingsVariable);
        return recordPath;
    }

    // The rows of the list file at path, read through the window's list
    // files as the list reader reads them: through a byte-order mark, else in
    // the code page.
    static std::vector<std::string> ReadListFile(Form1& form, const std::string& path) {
        const std::unique_ptr<platform::ListFile> file = form.listFiles.open(path);
        std::string bytes;
        char buffer[4096];
        while (const std::size_t read = file->read(buffer, sizeof buffer))
            bytes.append(buffer, read);
        std::istringstream text(file->readsUtf8() ? bytes : form.listFiles.toUtf8(bytes));
        std::vector<std::string> rows;
        for (std::string row; std::getline(text, row);) {
            if (!row.empty() && row.back() == '\r') row.pop_back();
            rows.push_back(row);
        }
        return rows;
    }

private slots:
    void startCapturesEveryRowOneAfterAnotherWhileTheWindowServesClicks() {
        QTemporaryDir folder;
        const std::string recordPath = standInRecordsIn(folder, "300");
        Form1Window window;
        // Blanks and quotes must not split the address or smuggle in a second --out=.
        window.form().ListView1.append("http://a/b c\"--out=/tmp/x");
        window.form().ListView1.append("x\\y");
        // As the browse button leaves it: the platform's separators, one at the end.
        const QString folderText = QDir::toNativeSeparators(folder.path()) + QDir::separator();
        window.Text1->setText(folderText);
        window.show();
        testing::MessageBoxAnswerer answerer;
        bool busyWhileFirstToolRan = false;
        // The first tool sleeps 300 ms: a second start and Clear are refused, adding works.
        QTimer::singleShot(100, &window, [&] {
            busyWhileFirstToolRan = testing::ReadToolRuns(recordPath).empty() &&
                                    window.form().isBusy() &&
                                    window.cursor().shape() == Qt::WaitCursor;
            window.PushButton2->click();
            window.PushButton7->click();
            window.PushButton3->click();
        });
        window.PushButton2->click();

        QVERIFY(busyWhileFirstToolRan);
#ifdef _WIN32
        // Windows names hold no double quote: that row's image cannot be written.
        QCOMPARE(answerer.seen.size(), 1);
        QVERIFY2(answerer.seen[0].startsWith(
                     "Orlenda (icon): Done.\n\n1 of 2 web sites was not saved:\nRow 1: "
                     "http://a/b c\"--out=/tmp/x \u2014 the capture tool ended without writing "
                     "the image\n"),
                 qPrintable(answerer.seen[0]));
#else
        QCOMPARE(answerer.seen, QStringList{QStringLiteral("Orlenda: Done.")});
#endif
        QCOMPARE(window.form().ListView1.rowCount(), 4);
        const std::string tool =
            QDir::toNativeSeparators(QCoreApplication::applicationDirPath() + u'/' +
                                     QString::fromLatin1(kCaptureToolName))
                .toStdString();
        const std::string out = "--out=" + folderText.toStdString();
        const std::vector<testing::ToolRun> runs = testing::ReadToolRuns(recordPath);
        QCOMPARE(runs.size(), 2u);
        QCOMPARE(runs[0].arguments,
                 (std::vector<std::string>{tool, "--url=http://a/b%20c%22--out=/tmp/x",
                                           out + "a_b c\"--out=_tmp_x.jpg"}));
        QCOMPARE(runs[1].arguments,
                 (std::vector<std::string>{tool, "--url=x\\y", out + "x y.jpg"}));
        QVERIFY(runs[0].ended < runs[1].started);
        QVERIFY(!window.form().isBusy() && !window.form().IsRunning);
    }

    void aRunEndsSayingWhichSitesWereNotSavedAndListsThemToTryAgain() {
        QTemporaryDir folder;
        standInRecordsIn(folder, "0");
#ifdef _WIN32
        const nlohmann::json ended = {{ "exit", 0xC0000005u }};
        const QString endedReason = QStringLiteral("the capture tool crashed (access violation)");
#else
        const nlohmann::json ended = {{"signal", SIGKILL}, {"stderr", "iecapt: warning: x"}};
        const QString endedReason = QStringLiteral("the capture tool was killed (SIGKILL)");
#endif
        const std::string wide = "the page is 1,600 px wide; the picture shows its left 1,024 px";
        const std::string tall = "the page is 70,000 px high; the picture shows its top 65,500 px";
        const nlohmann::json endings = {
            {"http://down.test/",
             {{"exit", 4},
              {"stderr",
               "iecapt: warning: slow\niecapt: error: the host name could not be found "
               "(net::ERR_NAME_NOT_RESOLVED)"}}},
            {"http://slow.test/",
             {{"exit", 5},
              {"stderr", "iecapt: error: timed out after 60 s while loading the page"}}},
            {"http://ended.test/", ended},
            {"http://missing.test/",
             {{"exit", 0},
              {"image", true},
              {"stderr",
               "iecapt: warning: the server answered 404 Not Found\niecapt: warning: " + wide}}},
            {"http://tall.test/",
             {{"exit", 0}, {"image", true}, {"stderr", "iecapt: warning: " + tall}}},
        };
        qputenv(testing::kEndingsVariable, QByteArray::fromStdString(endings.dump()));
        Form1Window window;
        for (const char* address :
             {"http://fine.test/", "http://down.test/", "http://slow.test/", "http://ended.test/",
              "http://missing.test/", "http://tall.test/"}) {
            window.form().ListView1.append(address);
        }
        window.Text1->setText(QDir::toNativeSeparators(folder.path()) + QDir::separator());
        window.show();
        testing::MessageBoxAnswerer answerer;
        window.PushButton2->click();

        const QStringList lists =
            QDir(folder.path()).entryList({QStringLiteral("Not saved *.txt")}, QDir::Files);
        QCOMPARE(lists.size(), 1);
        const QString list = QDir::toNativeSeparators(folder.filePath(lists[0]));
        // The rows not saved first, then the pictures saved with a warning.
        QCOMPARE(answerer.seen,
                 QStringList{
                     "Orlenda (icon): Done.\n\n3 of 6 web sites were not saved:\n"
                     "Row 2: http://down.test/ \u2014 the host name could not be found "
                     "(net::ERR_NAME_NOT_RESOLVED)\nRow 3: http://slow.test/ \u2014 timed "
                     "out after 60 s while loading the page\nRow 4: http://ended.test/ "
                     "\u2014 " +
                     endedReason + "\n\nTo try again, load \"" + list +
                     "\" with \"Load List Of Sites From Text File\".\n\n2 of 6 web "
                     "sites were saved with a warning:\nRow 5: http://missing.test/ "
                     "\u2014 the server answered 404 Not Found; " +
                     QString::fromStdString(wide + "\nRow 6: http://tall.test/ \u2014 " + tall)});
        QVERIFY(QFileInfo(folder.filePath(QStringLiteral("fine.test_.jpg"))).size() > 0);

        // The list holds the three rows, and only them, as the program's list
        // files read it (tests/app/run_test loads such a list again).
        QCOMPARE(ReadListFile(window.form(), list.toStdString()),
                 (std::vector<std::string>{"http://down.test/", "http://slow.test/",
                                           "http://ended.test/"}));
    }

    // Two rows whose addresses give one file name: the later picture is kept
    // and said to be saved over the earlier. A picture of an earlier run is
    // replaced without a word, and the picture that replaced it is the
    // run's own from then on.
    void aRowSavedOverAPictureOfTheSameRunIsSavedWithAWarning() {
        QTemporaryDir folder;
        standInRecordsIn(folder, "0");
        QFile earlier(folder.filePath(QStringLiteral("c.test_other.jpg")));
        QVERIFY(earlier.open(QIODevice::WriteOnly) && earlier.write("earlier run") > 0);
        earlier.close();
        Form1Window window;
        for (const char* address : {"http://c.test/x?y", "http://c.test/other", "http://c.test/x:y",
                                    "http://c.test/other"}) {
            window.form().ListView1.append(address);
        }
        window.Text1->setText(QDir::toNativeSeparators(folder.path()) + QDir::separator());
        window.show();
        testing::MessageBoxAnswerer answerer;
        window.PushButton2->click();

        QCOMPARE(answerer.seen,
                 QStringList{"Orlenda (icon): Done.\n\n2 of 4 web sites were saved with a "
                             "warning:\nRow 3: http://c.test/x:y \u2014 saved over the picture "
                             "of row 1 (same file name)\nRow 4: http://c.test/other \u2014 saved "
                             "over the picture of row 2 (same file name)"});
        QCOMPARE(QDir(folder.path()).entryList({QStringLiteral("*.jpg")}, QDir::Files),
                 (QStringList{"c.test_other.jpg", "c.test_x y.jpg"}));
    }

#ifndef _WIN32
    // "~/shots" is the folder shots in the home folder, as in every shell; the
    // box and the stored folder keep what was typed.
    void aFolderTypedWithATildeLiesInTheHomeFolder() {
        const testing::SettingsSandbox settings;
        const testing::FolderInHome shots;
        QVERIFY(shots.folder.isValid());
        standInRecordsIn(shots.folder, "0");
        const QString typed = shots.typed();
        Form1Window window;
        window.form().ListView1.append("http://a/b");
        window.Text1->setText(typed);
        window.show();
        testing::MessageBoxAnswerer answerer;
        window.PushButton2->click();

        QCOMPARE(answerer.seen, QStringList{QStringLiteral("Orlenda: Done.")});
        QVERIFY(QFileInfo(shots.folder.filePath(QStringLiteral("a_b.jpg"))).size() > 0);
        QCOMPARE(window.Text1->text(), typed);
        QCOMPARE(testing::Stored().at("Download Location"), typed.toStdString());
    }
#endif

    void endingTheProgramDuringARunLeavesTheListOfTheRowsNotSaved_data() {
        QTest::addColumn<QString>("way");
        QTest::addColumn<bool>("listLost");
        QTest::newRow("window closed") << QStringLiteral("close") << false;
#ifdef _WIN32
        QTest::newRow("Ctrl+C") << QStringLiteral("Ctrl+C") << false;
#else
        for (const char* signal : {"SIGTERM", "SIGHUP", "SIGINT"}) {
            QTest::newRow(signal) << QString::fromLatin1(signal) << false;
        }
        QTest::newRow("SIGTERM, no folder takes the list") << QStringLiteral("SIGTERM") << true;
        QTest::newRow("window closed, no folder takes the list") << QStringLiteral("close") << true;
#endif
    }

    // Ended during the second of four rows, by a close or from outside (a
    // log-out, a shut-down, kill, a closed terminal): the program ends at
    // once, as a close would, by the signal that asked it to, that row's
    // tool ends on its own, and the list holds rows 2 to 4. With neither the
    // output folder nor the home folder there, those rows go to standard
    // error, and a program that ends of itself fails.
    void endingTheProgramDuringARunLeavesTheListOfTheRowsNotSaved() {
        QFETCH(QString, way);
        QFETCH(bool, listLost);
        QTemporaryDir folder;
        const std::string recordPath = standInRecordsIn(folder, "1500");
        const QString output = folder.filePath(QStringLiteral("out"));
        QVERIFY(QDir().mkdir(output));
        const QStringList rows = {"http://a/1", "http://a/2", "http://a/3", "http://a/4"};
        QProcess program;
        if (listLost) {
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(QStringLiteral("HOME"), folder.filePath(QStringLiteral("gone")));
            program.setProcessEnvironment(environment);
        }
        program.start(QCoreApplication::applicationDirPath() + "/close_during_run_driver",
                      QStringList{QDir::toNativeSeparators(output) + QDir::separator(),
                                  QStringLiteral("2"), way} +
                          rows);
        if (listLost) {
            QTRY_COMPARE_WITH_TIMEOUT(testing::ReadToolRuns(recordPath).size(), 1u, 10000);
            QVERIFY(QDir(output).removeRecursively());
        }
        QVERIFY(program.waitForFinished(20000));
        QCOMPARE(program.exitStatus(),
                 way == QStringLiteral("close") || way == QStringLiteral("Ctrl+C")
                     ? QProcess::NormalExit
                     : QProcess::CrashExit);
        if (program.exitStatus() == QProcess::NormalExit) QCOMPARE(program.exitCode(), listLost);
        QCOMPARE(testing::ReadToolRuns(recordPath).size(), 1u);
        QTRY_COMPARE_WITH_TIMEOUT(testing::ReadToolRuns(recordPath).size(), 2u, 10000);
        if (listLost) {
            QVERIFY(
                program.readAllStandardError().endsWith(rows.mid(1).join('\n').toUtf8() + '\n'));
            return;
        }

        const QStringList lists =
            QDir(output).entryList({QStringLiteral("Not saved *.txt")}, QDir::Files);
        QCOMPARE(lists.size(), 1);
        Form1Window window;
        QStringList loaded;
        for (const std::string& row : ReadListFile(
                 window.form(),
                 QDir::toNativeSeparators(QDir(output).filePath(lists[0])).toStdString())) {
            loaded.append(QString::fromStdString(row));
        }
        QCOMPARE(loaded, rows.mid(1));
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
