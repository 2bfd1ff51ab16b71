#include "app/form1_window.h"

#include <QBuffer>
#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>
#include <fstream>

#include "fakes/fake_startup.h"
#include "platform/qt/site_list_view.h"
#include "platform/qt/style_sheet_skin.h"
#include "platform/qt/text_progress_bar.h"
#include "startup/startup.h"
#include "support/settings_sandbox.h"

namespace orlenda {
namespace {

// A cursor file: an icon file of type 2 whose entry holds the hot spot.
QByteArray CursorFile(quint16 hotX, quint16 hotY) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImage image(32, 32, QImage::Format_ARGB32);
    image.fill(Qt::red);
    image.save(&buffer, "ico");
    for (const auto& [offset, value] : {std::pair{2, quint16(2)}, {10, hotX}, {12, hotY}}) {
        qToLittleEndian(value, bytes.data() + offset);
    }
    return bytes;
}

}  // namespace

// The real main window: its layout, keyboard order, start-up, skin and pointer,
// with real settings files.
class Form1WindowTest : public QObject {
    Q_OBJECT

private:
    std::string writeFile(const char* name, const QByteArray& bytes) {
        const QString path = m_folder.filePath(QString::fromLatin1(name));
        std::ofstream(path.toStdString(), std::ios::binary) << bytes.toStdString();
        return path.toStdString();
    }

    QTemporaryDir m_home;
    QTemporaryDir m_folder;

private slots:
    // The desktop and pictures folders follow the home folder; the test's own
    // starts empty.
    void initTestCase() {
        qputenv("HOME", m_home.path().toLocal8Bit());
        qputenv("XDG_CONFIG_HOME", m_home.filePath(QStringLiteral(".config")).toLocal8Bit());
    }
    void cleanup() { qApp->setStyleSheet({}); }

    void everyControlStandsWhereTheDesignPutsItWithItsCaption() {
        Form1Window window;
        QCOMPARE(window.size(), QSize(536, 379));
        QCOMPARE(window.minimumSize(), window.maximumSize());
        QVERIFY(!(window.windowFlags() & Qt::WindowMaximizeButtonHint));
        QWidget* const frame = window.Frame1;
        // Pixels at 96 DPI: the design's twips divided by 15, rounded.
        const std::tuple<QWidget*, QWidget*, QRect, QString> controls[] = {
            {window.Frame1, &window, {8, 248, 520, 53}, "Save JPG File(s) To This Folder"},
            {window.Text1, frame, {16, 20, 433, 23}, ""},
            {window.PushButton8, frame, {456, 20, 48, 23}, "..."},
            {window.ListView1, &window, {8, 8, 520, 169}, ""},
            {window.ProgressBar1, &window, {8, 344, 520, 27}, "Progress Bar"},
            {window.PushButton1, &window, {8, 183, 256, 27}, "Add Single Web Site URL"},
            {window.PushButton6, &window, {272, 183, 256, 27}, "Load List Of Sites From Text File"},
            {window.PushButton7, &window, {8, 217, 256, 27}, "Clear List"},
            {window.PushButton2, &window, {8, 309, 520, 27}, "Start Saving Web Sites As JPG"},
            {window.PushButton3, &window, {272, 217, 256, 27}, "Load Sample/Example Files"},
        };
        for (const auto& [widget, parent, rect, caption] : controls) {
            QCOMPARE(widget->parentWidget(), parent);
            QCOMPARE(widget->geometry(), rect);
            QCOMPARE(widget->property(widget == frame ? "title" : "text").toString(), caption);
        }
    }

    void theProgressBarShowsItsTextExactlyAndItsValueWithinRange() {
        Form1Window window;
        platform::ProgressIndicator& bar = window.form().ProgressBar1;
        bar.setText("Processing: 100% sure %p %v");
        QCOMPARE(window.ProgressBar1->text(), QStringLiteral("Processing: 100% sure %p %v"));
        QCOMPARE(bar.text(), std::string("Processing: 100% sure %p %v"));
        // Hidden characters show as escapes, a huge text cut short; the text
        // reads back as it was set.
        const std::string hidden = "Processing: evil\u202Egpj.exe";
        const std::string huge = "Processing: " + std::string(2 << 20, 'a');
        bar.setText(hidden);
        QCOMPARE(window.ProgressBar1->text(), QStringLiteral(R"(Processing: evil\u202Egpj.exe)"));
        QCOMPARE(bar.text(), hidden);
        bar.setText(huge);
        QVERIFY(window.ProgressBar1->text().size() < 5000);
        QCOMPARE(bar.text(), huge);
        // Wider than the bar: its beginning and its count stay in sight.
        bar.setText("Processing: http://a/" + std::string(300, 'q') + ", Please wait.. 12");
        const QString shown = window.ProgressBar1->text();
        QVERIFY2(shown.startsWith("Processing: http://a/q") && shown.contains(QChar(0x2026)) &&
                     shown.endsWith("q, Please wait.. 12"),
                 qPrintable(shown));
        QVERIFY(window.ProgressBar1->fontMetrics().horizontalAdvance(shown) <
                window.ProgressBar1->width());
        for (const auto& [set, shown] : {std::pair{33.4, 33}, std::pair{190.0, 100}}) {
            bar.setValue(set);
            QCOMPARE(window.ProgressBar1->value(), shown);
            QCOMPARE(bar.value(), set);  // remembered as set
        }
    }

    void theListHasTheFocusAndTabFollowsTheKeyboardOrder() {
        Form1Window window;
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QCOMPARE(QApplication::focusWidget(), window.ListView1);
        const QWidget* expected[] = {window.PushButton1, window.PushButton6, window.PushButton7,
                                     window.PushButton2, window.Text1,       window.PushButton8,
                                     window.PushButton3, window.ListView1};
        for (const QWidget* next : expected) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), next);
        }
    }

    void firstStartStoresTheDefaultFolderAndReadiesTheWindow_data() {
        QTest::addColumn<QStringList>("folders");  // those the account has
        QTest::addColumn<QString>("shown");
#ifdef _WIN32
        // The shell names the desktop, which every account has.
        QTest::newRow("desktop") << QStringList{}
                                 << QDir::toNativeSeparators(QStandardPaths::writableLocation(
                                        QStandardPaths::DesktopLocation)) +
                                        u'\\';
#else
        const QString home = m_home.path() + u'/';
        QTest::newRow("desktop") << QStringList{"Desktop", "Pictures"} << home + "Desktop/";
        QTest::newRow("no desktop yet") << QStringList{"Pictures"} << home + "Pictures/";
        QTest::newRow("fresh account") << QStringList{} << home;
#endif
    }
    void firstStartStoresTheDefaultFolderAndReadiesTheWindow() {
        QFETCH(QStringList, folders);
        QFETCH(QString, shown);
        const QDir home(m_home.path());
        for (const QString& folder : folders) QVERIFY(home.mkdir(folder));
        const auto removeFolders = qScopeGuard([&] {
            for (const QString& folder : folders) QDir(home.filePath(folder)).removeRecursively();
        });
        const testing::SettingsSandbox settings;
        testing::FakeClock quiet;  // a time of day that does not open the home page
        while (DrawOneToHundred(quiet.seconds) == kHomePageDraw) ++quiet.seconds;
        Form1Window window(quiet);
        Form_Load(window.form());

        QCOMPARE(window.Text1->text(), shown);
        QCOMPARE(testing::Stored(),
                 (testing::StoredSettings{{"Download Location", shown.toStdString()}}));
        QCOMPARE(window.windowTitle(), QStringLiteral("Orlenda"));
        QCOMPARE(QGuiApplication::applicationDisplayName(), QStringLiteral("Orlenda"));
        QVERIFY(!window.windowIcon().pixmap(32, 32).isNull());
        QCOMPARE(window.ListView1->model()->headerData(0, Qt::Horizontal).toString(),
                 QStringLiteral(" Web Site(s)"));
        QCOMPARE(window.ListView1->model()->columnCount(), 1);
        QCOMPARE(window.ListView1->columnWidth(0), 433);  // 6500 twips
    }

    void aCursorFileGivesTheHandItsImageAndADamagedOneIsRefused() {
        Form1Window window;
        platform::MainWindow& me = window.form().Me;
        me.setMousePointer(platform::kPointerCustom);
        QCOMPARE(window.cursor().shape(), Qt::PointingHandCursor);

        me.setMouseIcon(writeFile("HAND-M.CUR", CursorFile(5, 3)));
        QCOMPARE(window.cursor().shape(), Qt::BitmapCursor);
        QCOMPARE(window.cursor().hotSpot(), QPoint(5, 3));
        QCOMPARE(window.cursor().pixmap().size(), QSize(32, 32));

        const std::string damaged[] = {
            writeFile("garbage.cur", QByteArray(300, 'x')),
            writeFile("cut.cur", CursorFile(7, 1).first(100)),
            writeFile("empty.cur", {}),
            m_folder.filePath(QStringLiteral("missing.cur")).toStdString(),
        };
        for (const std::string& path : damaged) {
            QVERIFY_THROWS_EXCEPTION(std::runtime_error, me.setMouseIcon(path));
            QCOMPARE(window.cursor().hotSpot(), QPoint(5, 3));
        }
    }

    void theSkinGoesWhereItsOptionsSay() {
        const std::string sheet = writeFile("o.cjs", "QPushButton { color: red; }");
        for (const bool allWindows : {false, true}) {
            Form1Window window;
            platform::StyleSheetSkin skin;
            skin.loadSkin(sheet);
            skin.setOptions(allWindows ? 0 : platform::kSkinOptionWindowBackground);
            skin.setSkinAllWindows(allWindows);
            skin.setKeepWindowColours(!allWindows);
            window.setPalette(QPalette(Qt::yellow));
            skin.attachToWindow(window.form().Me);

            QCOMPARE(allWindows ? qApp->styleSheet() : window.styleSheet(),
                     QStringLiteral("QPushButton { color: red; }"));
            QVERIFY((allWindows ? window.styleSheet() : qApp->styleSheet()).isEmpty());
            QCOMPARE(window.testAttribute(Qt::WA_StyledBackground), !allWindows);
            QCOMPARE(window.palette().color(QPalette::Button),
                     allWindows ? window.style()->standardPalette().color(QPalette::Button)
                                : QColor(Qt::yellow));
            cleanup();
        }
    }

    void onlyAStyleSheetIsTakenForASkin() {
        platform::StyleSheetSkin().loadSkin(ORLENDA_SAMPLE_SKIN);
        const std::string broken[] = {
            writeFile("unbalanced.cjs", "QPushButton { color: red; "),
            writeFile("binary.cjs", QByteArray("\0\0\0\0", 4)),
            m_folder.filePath(QStringLiteral("missing.cjs")).toStdString(),
        };
        for (const std::string& path : broken) {
            QVERIFY_THROWS_EXCEPTION(std::runtime_error, platform::StyleSheetSkin().loadSkin(path));
        }
    }

    void thePointerFollowsTheMouseUnlessBusy() {
        Form1Window window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        // On a real display the move arrives later, hence the waiting.
        const auto pointerBecomes = [&window](int pointer, QWidget* over, QPoint at = {}) {
            QTest::mouseMove(over, at.isNull() ? over->rect().center() : at);
            QTest::qWait(20);
            return QTest::qWaitFor([&] { return window.form().Me.mousePointer() == pointer; });
        };
        const auto shape = [&window] { return window.cursor().shape(); };
        QWidget* const buttons[] = {window.PushButton1, window.PushButton6, window.PushButton7,
                                    window.PushButton2, window.PushButton3, window.PushButton8};
        const std::pair<QWidget*, QPoint> background[] = {
            {window.ListView1->viewport(), {}},
            {window.ListView1->horizontalHeader()->viewport(), {}},
            {window.Frame1, {window.Frame1->width() / 2, window.Frame1->height() - 3}},
            {&window, {window.width() - 3, window.height() - 3}},
        };
        // Hand and arrow take turns, so that each control's move shows.
        for (std::size_t i = 0; i < std::size(buttons); ++i) {
            QVERIFY(pointerBecomes(platform::kPointerCustom, buttons[i]));
            QCOMPARE(shape(), Qt::PointingHandCursor);
            const auto& [over, at] = background[i % std::size(background)];
            QVERIFY(pointerBecomes(platform::kPointerDefault, over, at));
            QCOMPARE(shape(), Qt::ArrowCursor);
        }
        // The folder box has no say: the hand stays until the frame is reached.
        QVERIFY(pointerBecomes(platform::kPointerCustom, window.PushButton8));
        QVERIFY(pointerBecomes(platform::kPointerCustom, window.Text1));

        window.form().Me.setMousePointer(platform::kPointerHourglass);
        QVERIFY(pointerBecomes(platform::kPointerHourglass, window.PushButton3));
        QVERIFY(pointerBecomes(platform::kPointerHourglass, window.ListView1->viewport()));
        QCOMPARE(shape(), Qt::WaitCursor);
    }
};

}  // namespace orlenda

QTEST_MAIN(orlenda::Form1WindowTest)
#include "form1_window_test.moc"
