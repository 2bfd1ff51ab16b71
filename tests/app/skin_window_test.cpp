#include <QApplication>
#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <fstream>

#include "app/form1_window.h"
#include "platform/qt/site_list_view.h"
#include "platform/qt/style_sheet_skin.h"

namespace orlenda {

// The style-sheet skin and the pointer feedback on the real window.
class SkinWindowTest : public QObject {
    Q_OBJECT

private:
    std::string writeFile(const char* name, const QByteArray& bytes) {
        const QString path = m_folder.filePath(QString::fromLatin1(name));
        std::ofstream(path.toStdString(), std::ios::binary) << bytes.toStdString();
        return path.toStdString();
    }

    QTemporaryDir m_folder;

private slots:
    void cleanup() { qApp->setStyleSheet({}); }

    void attachesTheSheetToTheWindowWithItsOptions() {
        Form1Window window;
        platform::StyleSheetSkin skin;
        skin.loadSkin(writeFile("o.cjs", "QPushButton { color: red; }"),
                      writeFile("extra.qss", "QLineEdit { color: blue; }"));
        skin.setOptions(skin.options() | platform::kSkinOptionWindowBackground);
        skin.setKeepWindowColours(true);
        window.setPalette(QPalette(Qt::yellow));
        skin.attachToWindow(window.form().Me);

        QVERIFY(window.styleSheet().contains(QStringLiteral("color: red")));
        QVERIFY(window.styleSheet().contains(QStringLiteral("color: blue")));
        QVERIFY(qApp->styleSheet().isEmpty());
        QVERIFY(window.testAttribute(Qt::WA_StyledBackground));
        QCOMPARE(window.palette().color(QPalette::Button), QColor(Qt::yellow));
    }

    void skinsEveryWindowAndStartsFromStandardColoursWhenAsked() {
        Form1Window window;
        platform::StyleSheetSkin skin;
        skin.loadSkin(writeFile("o.cjs", "QWidget { font-weight: bold; }"), "");
        skin.setSkinAllWindows(true);
        window.setPalette(QPalette(Qt::yellow));
        skin.attachToWindow(window.form().Me);
        QCOMPARE(qApp->styleSheet(), QStringLiteral("QWidget { font-weight: bold; }"));
        QVERIFY(!window.testAttribute(Qt::WA_StyledBackground));
        QCOMPARE(window.palette().color(QPalette::Button),
                 window.style()->standardPalette().color(QPalette::Button));
    }

    void sampleSkinIsAStyleSheet() {
        platform::StyleSheetSkin skin;
        skin.loadSkin(ORLENDA_SAMPLE_SKIN, "");
    }

    void rejectsWhatIsNoStyleSheet() {
        const std::string broken[] = {
            writeFile("unbalanced.cjs", "QPushButton { color: red; "),
            writeFile("binary.cjs", QByteArray("CJS\0\x01\x02skin", 11)),
            m_folder.filePath(QStringLiteral("missing.cjs")).toStdString(),
        };
        for (const std::string& path : broken) {
            platform::StyleSheetSkin skin;
            QVERIFY_THROWS_EXCEPTION(std::runtime_error, skin.loadSkin(path, ""));
        }
        Form1Window window;
        platform::StyleSheetSkin unloaded;
        QVERIFY_THROWS_EXCEPTION(std::logic_error, unloaded.attachToWindow(window.form().Me));
    }

    void pointerFollowsTheMouse() {
        Form1Window window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QPoint belowTheBox(window.Frame1->width() / 2, window.Frame1->height() - 3);
        const QPoint corner(window.width() - 3, window.height() - 3);
        struct Move {
            QWidget* over;
            QPoint at;  // the middle when null
            int pointer;
        };
        const Move moves[] = {
            {window.PushButton1, {}, platform::kPointerCustom},
            {window.ListView1->viewport(), {}, platform::kPointerDefault},
            {window.PushButton8, {}, platform::kPointerCustom},
            // The folder box has no say: the hand stays until the frame is reached.
            {window.Text1, {}, platform::kPointerCustom},
            {window.Frame1, belowTheBox, platform::kPointerDefault},
            {window.PushButton2, {}, platform::kPointerCustom},
            {&window, corner, platform::kPointerDefault},
            {window.PushButton7, {}, platform::kPointerCustom},
            {window.ListView1->horizontalHeader()->viewport(), {}, platform::kPointerDefault},
        };
        // On a real display the moves arrive later, hence the waiting compare.
        for (const Move& move : moves) {
            QTest::mouseMove(move.over, move.at.isNull() ? move.over->rect().center() : move.at);
            QTRY_COMPARE(window.form().Me.mousePointer(), move.pointer);
            QCOMPARE(window.cursor().shape(), move.pointer == platform::kPointerCustom
                                                  ? Qt::PointingHandCursor
                                                  : Qt::ArrowCursor);
        }

        window.form().Me.setMousePointer(platform::kPointerHourglass);
        for (QWidget* over :
             {static_cast<QWidget*>(window.PushButton3), window.ListView1->viewport()}) {
            QTest::mouseMove(over, over->rect().center());
            QTest::qWait(20);
            QCOMPARE(window.form().Me.mousePointer(), platform::kPointerHourglass);
        }
        QCOMPARE(window.cursor().shape(), Qt::WaitCursor);
    }
};

}  // namespace orlenda

QTEST_MAIN(orlenda::SkinWindowTest)
#include "skin_window_test.moc"
