#include <QHeaderView>
#include <QInputDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "app/form1_window.h"
#include "platform/qt/site_list_view.h"
#include "sitelist/sitelist_handlers.h"
#include "support/modal_dialogs.h"

namespace orlenda {

using testing::AnswerNextModal;

// The site list driven through the real window: real buttons, the real input
// box, real key presses and double clicks.
class SiteListWindowTest : public QObject {
    Q_OBJECT

private:
    static std::vector<std::string> rows(Form1Window& window) {
        std::vector<std::string> texts;
        auto& list = window.form().ListView1;
        for (std::int64_t row = 1; row <= list.rowCount(); ++row) texts.push_back(list.rowText(row));
        return texts;
    }

    static void select(Form1Window& window, int row) {
        window.ListView1->setCurrentIndex(window.ListView1->model()->index(row - 1, 0));
    }

    // Rows can only be selected in a list that has its column, as after start-up.
    static void withThreeRows(Form1Window& window) {
        window.form().ListView1.addColumn(" Web Site(s)");
        for (const char* text : {"a", "b", "c"}) window.form().ListView1.append(text);
    }

private slots:
    void theInputBoxAddsWhatIsTypedOrPasted() {
        Form1Window window;
        AnswerNextModal([](QWidget& modal) {
            auto& input = dynamic_cast<QInputDialog&>(modal);
            QCOMPARE(input.windowTitle(), QStringLiteral("Orlenda"));
            QCOMPARE(input.labelText(), QStringLiteral("Enter website address to add: "));
            auto* field = input.findChild<QLineEdit*>();
            QVERIFY(field);
            QTest::keyClicks(field, "http://a/");
            field->insert(QStringLiteral("b c"));  // as a paste would
            input.accept();
        });
        QTest::mouseClick(window.PushButton1, Qt::LeftButton);
        QCOMPARE(rows(window), std::vector<std::string>{"http://a/b c"});
    }

    void cancellingTheInputBoxAddsNothing() {
        Form1Window window;
        AnswerNextModal([](QWidget& modal) {
            QTest::keyClicks(modal.findChild<QLineEdit*>(), "http://ignored");
            dynamic_cast<QDialog&>(modal).reject();
        });
        QTest::mouseClick(window.PushButton1, Qt::LeftButton);
        QVERIFY(rows(window).empty());
    }

    void samplesAppendAndClearEmpties() {
        Form1Window window;
        window.form().ListView1.append("mine");
        QTest::mouseClick(window.PushButton3, Qt::LeftButton);
        QCOMPARE(rows(window), (std::vector<std::string>{"mine", kFirstSampleAddress,
                                                         kSecondSampleAddress}));
        QTest::mouseClick(window.PushButton7, Qt::LeftButton);
        QVERIFY(rows(window).empty());
    }

    void deleteRemovesTheCurrentRowWhateverTheModifiers_data() {
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::newRow("Delete") << Qt::KeyboardModifiers(Qt::NoModifier);
        QTest::newRow("Shift+Delete") << Qt::KeyboardModifiers(Qt::ShiftModifier);
        QTest::newRow("Ctrl+Delete") << Qt::KeyboardModifiers(Qt::ControlModifier);
        QTest::newRow("Alt+Delete") << Qt::KeyboardModifiers(Qt::AltModifier);
    }

    void deleteRemovesTheCurrentRowWhateverTheModifiers() {
        QFETCH(Qt::KeyboardModifiers, modifiers);
        Form1Window window;
        withThreeRows(window);
        select(window, 2);
        QCOMPARE(window.form().ListView1.currentRow(), 2);
        QTest::keyClick(window.ListView1, Qt::Key_Delete, modifiers);
        QCOMPARE(rows(window), (std::vector<std::string>{"a", "c"}));
    }

    void aDoubleClickAnywhereRemovesTheCurrentRow() {
        Form1Window window;
        withThreeRows(window);
        select(window, 1);
        // Below the last row: no item under the mouse, yet the current row goes.
        const QPoint belowRows(20, window.ListView1->viewport()->height() - 5);
        QTest::mouseDClick(window.ListView1->viewport(), Qt::LeftButton, {}, belowRows);
        QCOMPARE(rows(window), (std::vector<std::string>{"b", "c"}));
    }

    void clearingAndRemovingWaitForTheRunToEnd() {
        Form1Window window;
        withThreeRows(window);
        select(window, 1);
        QCOMPARE(window.form().ListView1.currentRow(), 1);
        window.form().Me.setMousePointer(platform::kPointerHourglass);
        QTest::keyClick(window.ListView1, Qt::Key_Delete);
        QTest::mouseClick(window.PushButton7, Qt::LeftButton);
        QTest::mouseClick(window.PushButton3, Qt::LeftButton);
        QCOMPARE(rows(window).size(), 5u);
        QCOMPARE(window.cursor().shape(), Qt::WaitCursor);
    }

    void aLongAddressShowsWhole() {
        Form1Window window;
        window.form().ListView1.addColumn(" Web Site(s)");
        window.form().ListView1.setFirstColumnWidth(6500);
        QCOMPARE(window.ListView1->columnWidth(0), 433);
        QCOMPARE(window.ListView1->horizontalHeader()->sectionResizeMode(0), QHeaderView::Interactive);
        const std::string longAddress = "http://www.example.org/" + std::string(300, 'x');
        window.form().ListView1.append(longAddress);
        QCOMPARE(window.ListView1->textElideMode(), Qt::ElideRight);
        QCOMPARE(window.form().ListView1.rowText(1), longAddress);
    }
};

}  // namespace orlenda

QTEST_MAIN(orlenda::SiteListWindowTest)
#include "sitelist_window_test.moc"
