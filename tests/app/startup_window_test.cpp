#include <QApplication>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QtTest>
#include <cstring>

#include "app/form1_layout.h"
#include "app/form1_window.h"
#include "app/startup.h"
#include "fakes/settings_folder.h"
#include "platform/qt/site_list_view.h"
#include "platform/twips.h"

namespace orlenda {
namespace {

constexpr char kCloseWhileBusy[] = "--close-while-busy";

// A time of day that does not open the home page.
class QuietClock final : public platform::Clock {
public:
    int secondsSinceMidnight() const override {
        int seconds = 0;
        while (DrawOneToHundred(seconds) == kHomePageDraw) ++seconds;
        return seconds;
    }
};

// A 32 x 32 true-colour cursor file with its hot spot.
QByteArray CursorFile(quint16 hotX, quint16 hotY) {
    constexpr quint32 kPixels = 32 * 32;
    constexpr quint32 kMaskBytes = kPixels / 8;
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out << quint16(0) << quint16(2) << quint16(1);  // a cursor of one image
    out << quint8(32) << quint8(32) << quint16(0) << hotX << hotY
        << quint32(40 + 4 * kPixels + kMaskBytes) << quint32(22);
    out << quint32(40) << qint32(32) << qint32(2 * 32) << quint16(1) << quint16(32);
    for (int rest = 0; rest < 6; ++rest) out << quint32(0);
    for (quint32 pixel = 0; pixel < kPixels; ++pixel) out << quint32(0xFFC04020);
    for (quint32 mask = 0; mask < kMaskBytes; ++mask) out << quint8(0);
    return bytes;
}

// Closes the window while a long operation is letting events through, as a
// run does; the process must end inside that loop.
int CloseWhileBusy(int argc, char* argv[]) {
    QApplication application(argc, argv);
    Form1Window window;
    window.show();
    QTimer::singleShot(100, &window, [&window] { window.close(); });
    std::puts("busy");
    std::fflush(stdout);
    QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired()) {
        QCoreApplication::processEvents();
        QThread::msleep(10);
    }
    std::puts("still running");
    return 3;
}

}  // namespace

// Start-up of the real window, with a real settings file and a home folder of
// the test's own.
class StartupWindowTest : public QObject {
    Q_OBJECT

public:
    explicit StartupWindowTest(QString home) : m_home(std::move(home)) {}

private:
    std::string writeFile(const char* name, const QByteArray& bytes) const {
        QFile file(m_files.filePath(QString::fromLatin1(name)));
        file.open(QIODevice::WriteOnly);
        file.write(bytes);
        return file.fileName().toStdString();
    }

    QString m_home;
    QTemporaryDir m_files;
    QuietClock m_clock;

private slots:
    void firstStartStoresTheDesktopFolderBeforeTheWindowShows() {
        const testing::SettingsFolder settings;
        Form1Window window(m_clock);
        Form_Load(window.form());
        const QString desktop = m_home + QStringLiteral("/Desktop/");
        QCOMPARE(window.Text1->text(), desktop);
        QVERIFY(!window.isVisible());
        QVERIFY2(settings.qtext().contains(QStringLiteral("Download%20Location=") + desktop),
                 qPrintable(settings.qtext()));
    }

    void preparedSettingsFileGivesTheFolderAndTheWindowIsReady() {
        const testing::SettingsFolder settings;
        settings.write(
            "[General]\nDownload%20Location=/srv/\xC3\xBCn shots/\nLastFolderDot=/srv\n");

        Form1Window window(m_clock);
        Form_Load(window.form());

        QCOMPARE(window.Text1->text(), QStringLiteral("/srv/ün shots/"));
        QCOMPARE(window.windowTitle(), QStringLiteral("Orlenda"));
        QCOMPARE(QGuiApplication::applicationDisplayName(), QStringLiteral("Orlenda"));
        QVERIFY(!window.windowIcon().isNull());
        QVERIFY(!window.windowIcon().pixmap(32, 32).isNull());
        QCOMPARE(window.ListView1->model()->headerData(0, Qt::Horizontal).toString(),
                 QStringLiteral(" Web Site(s)"));
        QCOMPARE(window.ListView1->model()->columnCount(), 1);
        QCOMPARE(window.ListView1->columnWidth(0), platform::TwipsToPixels(kListColumnWidthTwips));
        QVERIFY(settings.qtext().contains(QStringLiteral("LastFolderDot=/srv\n")));
    }

    void cursorFileGivesTheHandItsImage() {
        Form1Window window(m_clock);
        platform::MainWindow& me = window.form().Me;
        me.setMousePointer(platform::kPointerCustom);
        QCOMPARE(window.cursor().shape(), Qt::PointingHandCursor);

        me.setMouseIcon(writeFile("HAND-M.CUR", CursorFile(5, 3)));
        QCOMPARE(window.cursor().shape(), Qt::BitmapCursor);
        QCOMPARE(window.cursor().hotSpot(), QPoint(5, 3));
        QCOMPARE(window.cursor().pixmap().size(), QSize(32, 32));
    }

    void damagedCursorFileIsRefusedAndTheImageStays() {
        QByteArray cut = CursorFile(5, 3);
        cut.truncate(100);
        const std::string damaged[] = {
            writeFile("garbage.cur", QByteArray(300, 'x')),
            writeFile("cut.cur", cut),
            writeFile("empty.cur", {}),
            m_files.filePath(QStringLiteral("missing.cur")).toStdString(),
        };
        Form1Window window(m_clock);
        platform::MainWindow& me = window.form().Me;
        me.setMouseIcon(writeFile("HAND-M.CUR", CursorFile(7, 1)));
        me.setMousePointer(platform::kPointerCustom);
        for (const std::string& path : damaged) {
            QVERIFY_THROWS_EXCEPTION(std::runtime_error, me.setMouseIcon(path));
            QCOMPARE(window.cursor().hotSpot(), QPoint(7, 1));
        }
    }

    void closingTheWindowEndsTheProgramAtOnce() {
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(),
                    {QString::fromLatin1(kCloseWhileBusy)});
        QVERIFY(child.waitForFinished(20000));
        const QString output = QString::fromUtf8(child.readAllStandardOutput());
        QCOMPARE(output, QStringLiteral("busy\n"));
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QCOMPARE(child.exitCode(), 0);
    }
};

}  // namespace orlenda

int main(int argc, char* argv[]) {
    if (argc > 1 && std::strcmp(argv[1], orlenda::kCloseWhileBusy) == 0) {
        return orlenda::CloseWhileBusy(argc, argv);
    }
    // The desktop folder follows the home folder; the test's own is empty.
    QTemporaryDir home;
    qputenv("HOME", home.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral(".config")).toLocal8Bit());
    QApplication application(argc, argv);
    orlenda::StartupWindowTest test(home.path());
    return QTest::qExec(&test, argc, argv);
}

#include "startup_window_test.moc"
