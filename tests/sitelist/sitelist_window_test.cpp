#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>

#include "app/form1_window.h"
#include "platform/qt/site_list_view.h"
#include "sitelist/sitelist_handlers.h"
#include "support/modal_dialogs.h"

namespace orlenda {

class SiteListWindowTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        connect(&m_answerer, &QTimer::timeout, this, &SiteListWindowTest::answerModal);
        m_answerer.start(10);
    }

    // Rows can only be selected in a list that has its column, as after start-up.
    void init() {
        m_window = std::make_unique<Form1Window>();
        m_window->form().ListView1.addColumn(" Web Site(s)");
        m_messages.clear();
    }

    void cleanup() { m_window.reset(); }

    void theInputBoxAddsWhatIsTypedOrPastedUnlessCancelled_data() {
        QTest::addColumn<bool>("accepted");
        QTest::newRow("OK") << true;
        QTest::newRow("Cancel") << false;
    }

    void theInputBoxAddsWhatIsTypedOrPastedUnlessCancelled() {
        QFETCH(bool, accepted);
        QStringList shown;
        testing::AnswerNextModal([&](QWidget& modal) {
            auto& input = dynamic_cast<QInputDialog&>(modal);
            shown = {input.windowTitle(), input.labelText()};
            auto* field = input.findChild<QLineEdit*>();
            QTest::keyClicks(field, "http://a/");
            field->insert(QStringLiteral("b c"));  // as a paste would
            accepted ? input.accept() : input.reject();
        });
        QTest::mouseClick(m_window->PushButton1, Qt::LeftButton);
        QCOMPARE(shown, (QStringList{"Orlenda", "Enter website address to add: "}));
        QCOMPARE(rows(), accepted ? QStringList{"http://a/b c"} : QStringList{});
    }

    void deleteOrADoubleClickAnywhereRemovesTheCurrentRow_data() {
        QTest::addColumn<bool>("doubleClick");
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::newRow("Delete") << false << Qt::KeyboardModifiers();
        QTest::newRow("Ctrl+Shift+Alt+Delete")
            << false << (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier);
        QTest::newRow("double-click below the rows") << true << Qt::KeyboardModifiers();
    }

    void deleteOrADoubleClickAnywhereRemovesTheCurrentRow() {
        QFETCH(bool, doubleClick);
        QFETCH(Qt::KeyboardModifiers, modifiers);
        for (const char* text : {"a", "b", "c"}) m_window->form().ListView1.append(text);
        platform::SiteListView* const view = m_window->ListView1;
        view->selectRow(1);
        QCOMPARE(m_window->form().ListView1.currentRow(), 2);
        if (doubleClick) {
            const QPoint belowRows(20, view->viewport()->height() - 5);
            QTest::mouseDClick(view->viewport(), Qt::LeftButton, modifiers, belowRows);
        } else {
            QTest::keyClick(view, Qt::Key_Delete, modifiers);
        }
        QCOMPARE(rows(), (QStringList{"a", "c"}));
    }

    // The list shows what a row holds: no character hides or turns around
    // the text after it, and the row keeps its text.
    void aRowShowsItsHiddenCharactersAsEscapesAndKeepsThem() {
        const std::string row = "http://evil\u202Egpj.exe\t";
        m_window->form().ListView1.append(row);
        QCOMPARE(rows(), QStringList{R"(http://evil\u202Egpj.exe\u0009)"});
        QCOMPARE(m_window->form().ListView1.rowText(1), row);
    }

    // A row too long to lay out is kept whole but shown cut, so that painting
    // the list stays quick.
    void aLongRowIsKeptWholeAndShownCut() {
        std::string longRow = "x";
        for (int i = 0; i < 100000; ++i) longRow += "\xC3\xA9";  // é, never cut in two
        m_window->form().ListView1.append(longRow);
        m_window->form().ListView1.append("http://b");
        QCOMPARE(m_window->form().ListView1.rowText(1), longRow);
        const QStringList shown = rows();
        QVERIFY(shown[0].size() < 5000);
        QVERIFY(shown[0].endsWith(QChar(0x2026)));
        QVERIFY(QString::fromStdString(longRow).startsWith(shown[0].chopped(1)));
        QCOMPARE(shown[1], QStringLiteral("http://b"));
    }

    void theFileDialogOffersTextFilesThenAllFilesAndCancelAddsNothing() {
        for (const char* name : {"list.txt", "README", "notes.md"}) write(name, "");
        bool listedEveryFile = false;
        m_inspect = [&](QFileDialog& dialog) {
            QCOMPARE(dialog.windowTitle(),
                     QStringLiteral("Add File(s) - Use Ctrl & Shift to select multiple files"));
            auto* types = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
            QCOMPARE(types->count(), 2);
            QCOMPARE((QStringList{types->currentText(), types->itemText(1)}),
                     (QStringList{"Text Files (*.txt)", "All Files (*.*)"}));
            dialog.setDirectory(m_folder.path());
            auto* files = dialog.findChild<QListView*>(QStringLiteral("listView"));
            const auto shown = [files] { return files->model()->rowCount(files->rootIndex()); };
            QTRY_COMPARE(shown(), 1);              // the folder is listed in the background
            QTest::keyClick(types, Qt::Key_Down);  // as the user picks "All Files"
            QTRY_COMPARE(shown(), 3);
            listedEveryFile = true;
        };
        m_window->PushButton6->click();
        QVERIFY(listedEveryFile);
        QCOMPARE(rows(), QStringList{});
        QCOMPARE(m_messages, QStringList{});
    }

    // Never where the program happened to be started from.
    void theFileDialogOpensAtHomeThenWhereTheListLoadedLastLay() {
        QStringList openedAt;
        const auto noteWhereItOpened = [&](QFileDialog& dialog) {
            openedAt.append(dialog.directory().absolutePath());
        };
        m_paths = {write("sites.txt", "http://a")};
        m_inspect = noteWhereItOpened;
        m_window->PushButton6->click();
        m_inspect = noteWhereItOpened;  // and cancelled
        m_window->PushButton6->click();
        QCOMPARE(openedAt,
                 (QStringList{QDir::home().absolutePath(), QDir(m_folder.path()).absolutePath()}));
        QCOMPARE(rows(), QStringList{"http://a"});
    }

    // The path comes back whole whatever its characters (on Windows the ANSI
    // code page would lose them) and in the platform's form.
    void aListNamedInAnyCharactersIsImported() {
        m_paths = {
            write("sites \xC3\xA9t\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC.txt", "http://a\r\nhttp://b")};
        m_window->PushButton6->click();
        QCOMPARE(m_messages, QStringList{});
        QCOMPARE(rows(), (QStringList{"http://a", "http://b"}));
    }

    // A typed name reaches the import, also of a file that is not there. The
    // import lets window events run, so Clear List works meanwhile and the
    // import goes on with the rest of the file.
    void aTypedNameIsImportedAndClearListWorksMeanwhile() {
        constexpr int kLines = 300000;
        const auto numbered = [](int line) {
            return QStringLiteral("http://site%1.example").arg(line);
        };
        std::string content;
        for (int line = 0; line < kLines; ++line) content += numbered(line).toStdString() + "\r\n";
        m_paths = {m_folder.filePath(QStringLiteral("no such list.txt")),
                   write("long.txt", content)};
        m_window->PushButton6->click();
        QCOMPARE(m_messages, QStringList{"File not found"});
        QTest::mouseClick(m_window->PushButton3, Qt::LeftButton);
        QCOMPARE(rows(), (QStringList{kFirstSampleAddress, kSecondSampleAddress}));

        QTimer clearOnceRowsArrive;
        connect(&clearOnceRowsArrive, &QTimer::timeout, [&] {
            if (m_window->form().ListView1.rowCount() <= 2) return;
            clearOnceRowsArrive.stop();
            m_window->PushButton7->click();
        });
        clearOnceRowsArrive.start(0);
        m_window->PushButton6->click();
        const QStringList shown = rows();
        QVERIFY(!shown.isEmpty());
        QVERIFY(shown.size() < kLines);
        QStringList endOfTheFile;
        for (int line = kLines - static_cast<int>(shown.size()); line < kLines; ++line) {
            endOfTheFile.append(numbered(line));
        }
        QCOMPARE(shown, endOfTheFile);
        QCOMPARE(m_messages.size(), 1);
    }

    // Start pressed while a long list is loading is refused: a run would take
    // only the rows read so far. Every row of the file arrives.
    void startDuringTheImportOfALongListIsRefusedAndEveryRowArrives() {
        constexpr int kRows = 300000;
        std::string content;
        for (int row = 1; row <= kRows; ++row) content += "http://a/" + std::to_string(row) + "\n";
        m_paths = {write("long.txt", content)};
        QTimer startOnceRowsArrive;
        connect(&startOnceRowsArrive, &QTimer::timeout, [&] {
            if (m_window->form().ListView1.rowCount() == 0) return;
            startOnceRowsArrive.stop();
            m_window->PushButton2->click();
        });
        startOnceRowsArrive.start(0);
        m_window->PushButton6->click();
        QCOMPARE(m_messages, QStringList{"The list is still being loaded from its file. Start "
                                         "again once all of its rows are in the list."});
        QCOMPARE(m_window->form().ListView1.rowCount(), kRows);
        QCOMPARE(m_window->form().ListView1.rowText(kRows), "http://a/" + std::to_string(kRows));
        QVERIFY(!m_window->form().IsRunning);
    }

private:
    // Answers the window's modal dialogs as a user would: a file dialog with
    // the next path typed into its name field (none left: Cancel), a message
    // box with OK after noting its text.
    void answerModal() {
        QWidget* const modal = QApplication::activeModalWidget();
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            m_messages.append(box->text());
            box->button(QMessageBox::Ok)->click();
        } else if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
            // Answered already, its Return still on the way: a busy machine
            // may call again first, and must not type the next path over it.
            if (dialog == m_answered) return;
            m_answered = dialog;
            if (m_inspect) std::exchange(m_inspect, nullptr)(*dialog);
            if (m_paths.isEmpty()) return dialog->reject();
            auto* nameField = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            nameField->setText(m_paths.takeFirst());
            // Queued, so that a box the dialog opens in answer gets answered too.
            QMetaObject::invokeMethod(
                nameField, [nameField] { QTest::keyClick(nameField, Qt::Key_Return); },
                Qt::QueuedConnection);
        }
    }

    QString write(const char* name, const std::string& content) {
        QFile file(m_folder.filePath(QString::fromUtf8(name)));
        file.open(QIODevice::WriteOnly);
        file.write(content.data(), static_cast<qint64>(content.size()));
        return QDir::toNativeSeparators(file.fileName());
    }

    // The rows as the list shows them.
    QStringList rows() const {
        QStringList shown;
        const QAbstractItemModel* const model = m_window->ListView1->model();
        for (int row = 0; row < model->rowCount(); ++row) {
            shown.append(model->index(row, 0).data().toString());
        }
        return shown;
    }

    QTemporaryDir m_folder;
    std::unique_ptr<Form1Window> m_window;
    QTimer m_answerer;
    QPointer<QFileDialog> m_answered;
    QStringList m_paths;
    QStringList m_messages;
    std::function<void(QFileDialog&)> m_inspect;  // looks at the next file dialog first
};

}  // namespace orlenda

QTEST_MAIN(orlenda::SiteListWindowTest)
#include "sitelist_window_test.moc"
