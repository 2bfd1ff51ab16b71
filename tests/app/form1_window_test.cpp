#include "app/form1_window.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolTip>

#include "app/form1_layout.h"
#include "platform/qt/site_list_view.h"
#include "platform/qt/text_progress_bar.h"

namespace orlenda {

class Form1WindowTest : public QObject {
    Q_OBJECT

private:
    QWidget* control(Form1Window& window, std::string_view name) {
        const std::pair<std::string_view, QWidget*> controls[] = {
            {"Frame1", window.Frame1},           {"Text1", window.Text1},
            {"PushButton8", window.PushButton8}, {"ListView1", window.ListView1},
            {"ProgressBar1", window.ProgressBar1}, {"PushButton1", window.PushButton1},
            {"PushButton6", window.PushButton6}, {"PushButton7", window.PushButton7},
            {"PushButton2", window.PushButton2}, {"PushButton3", window.PushButton3},
        };
        for (const auto& [controlName, widget] : controls) {
            if (controlName == name) return widget;
        }
        return nullptr;
    }

private slots:
    void everyControlStandsWhereItsTwipsPutIt() {
        Form1Window window;
        QCOMPARE(window.size(), QSize(536, 379));
        for (const ControlPlacement& placement : kForm1Layout) {
            QWidget* widget = control(window, placement.name);
            QVERIFY(widget);
            const QString name = QString::fromUtf8(placement.name.data(), placement.name.size());
            const QWidget* container =
                placement.container == "Frame1" ? static_cast<QWidget*>(window.Frame1) : &window;
            QCOMPARE(widget->parentWidget(), container);
            const QRect expected(platform::TwipsToPixels(placement.left),
                                 platform::TwipsToPixels(placement.top),
                                 platform::TwipsToPixels(placement.width),
                                 platform::TwipsToPixels(placement.height));
            QVERIFY2(widget->geometry() == expected, qPrintable(name));
        }
        // The pixel values a designer reads off the layout at 96 DPI.
        QCOMPARE(window.Frame1->geometry(), QRect(8, 248, 520, 53));
        QCOMPARE(window.Text1->geometry(), QRect(16, 20, 433, 23));
        QCOMPARE(window.PushButton3->geometry(), QRect(272, 217, 256, 27));
        QCOMPARE(window.ProgressBar1->geometry(), QRect(8, 344, 520, 27));
    }

    void theWindowIsFixedWhiteAndHasNoMaximizeButton() {
        Form1Window window;
        QCOMPARE(window.minimumSize(), window.maximumSize());
        QVERIFY(!(window.windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(window.windowFlags() & Qt::WindowMinimizeButtonHint);
        QVERIFY(window.windowFlags() & Qt::WindowCloseButtonHint);
        QCOMPARE(window.palette().color(QPalette::Window), QColor(Qt::white));
        QCOMPARE(window.Frame1->palette().color(QPalette::Window), QColor(Qt::white));
    }

    void captionsAndFontsAreThoseOfTheDesign() {
        Form1Window window;
        const std::pair<QPushButton*, QString> buttons[] = {
            {window.PushButton1, "Add Single Web Site URL"},
            {window.PushButton6, "Load List Of Sites From Text File"},
            {window.PushButton7, "Clear List"},
            {window.PushButton2, "Start Saving Web Sites As JPG"},
            {window.PushButton3, "Load Sample/Example Files"},
            {window.PushButton8, "..."},
        };
        for (const auto& [button, caption] : buttons) {
            QCOMPARE(button->text(), caption);
            QCOMPARE(button->font().family(), QStringLiteral("Arial"));
            QCOMPARE(button->font().pointSizeF(), 11.25);
            QCOMPARE(button->font().weight(), QFont::Bold);
        }
        QCOMPARE(window.Frame1->title(), QStringLiteral("Save JPG File(s) To This Folder"));
        for (QWidget* widget : {static_cast<QWidget*>(window.Frame1),
                                static_cast<QWidget*>(window.Text1),
                                static_cast<QWidget*>(window.ListView1)}) {
            QCOMPARE(widget->font().pointSizeF(), 9.0);
            QCOMPARE(widget->font().weight(), QFont::Bold);
        }
        QCOMPARE(window.ListView1->toolTip(),
                 QStringLiteral("Double-click item to remove it. Move | line to right and out of "
                                "window to reveal full names."));
        QVERIFY(window.Text1->text().isEmpty());
    }

    void theProgressBarShowsItsTextExactly() {
        Form1Window window;
        platform::ProgressIndicator& bar = window.form().ProgressBar1;
        QCOMPARE(window.ProgressBar1->text(), QStringLiteral("Progress Bar"));
        QCOMPARE(window.ProgressBar1->value(), 0);
        bar.setText("Processing: 100% sure %p %v");
        bar.setValue(33.4);
        QCOMPARE(window.ProgressBar1->text(), QStringLiteral("Processing: 100% sure %p %v"));
        QCOMPARE(bar.text(), std::string("Processing: 100% sure %p %v"));
        QCOMPARE(window.ProgressBar1->value(), 33);
        bar.setValue(190);  // shown full, remembered as set
        QCOMPARE(window.ProgressBar1->value(), 100);
        QCOMPARE(bar.value(), 190.0);
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
};

}  // namespace orlenda

QTEST_MAIN(orlenda::Form1WindowTest)
#include "form1_window_test.moc"
