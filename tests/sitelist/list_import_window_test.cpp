#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <deque>
#include <fstream>
#include <functional>
#include <optional>

#include "app/form1_window.h"
#include "platform/qt/site_list_view.h"

namespace orlenda {
namespace {

struct SeenMessage {
    QString caption;
    QString text;
    QMessageBox::Icon icon;
};

// Answers the modal dialogs of the window as a user would: the file dialog
// with the next scripted path, typed into its name field (none: Cancel), and
// every message box with OK after noting it.
class ModalAnswerer {
public:
    ModalAnswerer() {
        QObject::connect(&m_timer, &QTimer::timeout, [this] { answer(); });
        m_timer.start(10);
    }

    std::deque<std::optional<QString>> paths;
    std::vector<SeenMessage> messages;
    // Looks at the file dialog before it is answered.
    std::function<void(QFileDialog&)> inspect;

private:
    void answer() {
        QWidget* const modal = QApplication::activeModalWidget();
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            messages.push_back({box->windowTitle(), box->text(), box->icon()});
            box->button(QMessageBox::Ok)->click();
        } else if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
            if (inspect) std::exchange(inspect, nullptr)(*dialog);
            const std::optional<QString> path =
                paths.empty() ? std::nullopt : std::exchange(paths.front(), std::nullopt);
            if (!paths.empty()) paths.pop_front();
            if (!path) return dialog->reject();
            auto* nameField = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            nameField->setText(*path);
            QTest::keyClick(nameField, Qt::Key_Return);
        }
    }

    QTimer m_timer;
};

}  // namespace

class ListImportWindowTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QApplication::setApplicationDisplayName(QStringLiteral("Orlenda")); }

    void init() {
        m_window = std::make_unique<Form1Window>();
        m_window->form().ListView1.addColumn(" Web Site(s)");
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    }

    void cleanup() { m_window.reset(); }

    void dialogOffersTextFilesFirstAndShowsEveryFileUnderAllFiles() {
        for (const char* name : {"list.txt", "README", "notes.md"}) write(name, "");
        ModalAnswerer answerer;
        answerer.paths = {std::nullopt};
        bool listedEveryFile = false;
        answerer.inspect = [&](QFileDialog& dialog) {
            QCOMPARE(dialog.windowTitle(),
                     QStringLiteral("Add File(s) - Use Ctrl & Shift to select multiple files"));
            auto* types = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
            QCOMPARE(types->count(), 2);
            QCOMPARE(types->itemText(0), QStringLiteral("Text Files (*.txt)"));
            QCOMPARE(types->itemText(1), QStringLiteral("All Files (*.*)"));
            QCOMPARE(types->currentIndex(), 0);
            dialog.setDirectory(m_folder.path());
            auto* files = dialog.findChild<QListView*>(QStringLiteral("listView"));
            const auto shown = [files] { return files->model()->rowCount(files->rootIndex()); };
            // The folder is listed in the background.
            QTRY_COMPARE(shown(), 1);
            QTest::keyClick(types, Qt::Key_Down);  // as the user picks "All Files"
            QTRY_COMPARE(shown(), 3);
            listedEveryFile = true;
        };
        m_window->PushButton6->click();
        QVERIFY(listedEveryFile);
        QVERIFY(answerer.messages.empty());
    }

    void importAppendsToTheRowsThere() {
        ModalAnswerer answerer;
        answerer.paths = {write("sites.txt", " http://a \r\nhttp://b\nhttp://c\r\n")};
        m_window->PushButton3->click();
        m_window->PushButton6->click();
        QCOMPARE(rows(), (QStringList{"http://www.wikipedia.org", "http://www.yahoo.com",
                                      " http://a ", "http://b", "http://c"}));
        QVERIFY(answerer.messages.empty());
    }

    void cancelAddsNothingAndSaysNothing() {
        ModalAnswerer answerer;
        answerer.paths = {std::nullopt};
        m_window->PushButton6->click();
        QCOMPARE(m_window->form().ListView1.rowCount(), 0);
        QVERIFY(answerer.messages.empty());
    }

    void typedNameOfAMissingFileSaysFileNotFound() {
        ModalAnswerer answerer;
        answerer.paths = {m_folder.filePath(QStringLiteral("no such list.txt"))};
        m_window->PushButton6->click();
        QCOMPARE(m_window->form().ListView1.rowCount(), 0);
        QCOMPARE(answerer.messages.size(), 1u);
        QCOMPARE(answerer.messages[0].text, QStringLiteral("File not found"));
        QCOMPARE(answerer.messages[0].caption, QStringLiteral("Orlenda"));
        QCOMPARE(answerer.messages[0].icon, QMessageBox::NoIcon);
    }

    void clearDuringTheImportClearsAndTheImportGoesOn() {
        ModalAnswerer answerer;
        answerer.paths = {writeNumberedList("long.txt", kLongListLines)};
        duringImport([this] { m_window->PushButton7->click(); });
        m_window->PushButton6->click();
        const QStringList shown = rows();
        QVERIFY(!shown.isEmpty());
        QVERIFY(shown.size() < kLongListLines);
        // What is left is the end of the file, in order, without a gap.
        const int firstKept = kLongListLines - static_cast<int>(shown.size());
        for (int i = 0; i < shown.size(); ++i) QCOMPARE(shown[i], numbered(firstKept + i));
        QVERIFY(answerer.messages.empty());
    }

    void secondImportDuringTheFirstIsReportedAndTheFirstGoesOn() {
        ModalAnswerer answerer;
        answerer.paths = {writeNumberedList("long.txt", kLongListLines),
                          write("other.txt", "http://other\r\n")};
        duringImport([this] { m_window->PushButton6->click(); });
        m_window->PushButton6->click();
        QCOMPARE(m_window->form().ListView1.rowCount(), kLongListLines);
        QCOMPARE(rows().constLast(), numbered(kLongListLines - 1));
        QCOMPARE(answerer.messages.size(), 1u);
        QCOMPARE(answerer.messages[0].caption, QStringLiteral("Application Error"));
        QCOMPARE(answerer.messages[0].icon, QMessageBox::Warning);
        QVERIFY(answerer.messages[0].text.contains("Another list file is still being read"));
        QVERIFY(answerer.messages[0].text.contains(
            "in Orlenda2021/08/31.Form1.PushButton6_Click at line 118"));
    }

    // A row too long to lay out is kept whole but shown cut, so that painting
    // the list stays quick.
    void longRowIsKeptWholeAndShownCut() {
        ModalAnswerer answerer;
        std::string longRow = "x";
        for (int i = 0; i < 100000; ++i) longRow += "\xC3\xA9";  // é
        answerer.paths = {write("long row.txt", longRow + "\r\nhttp://b")};
        m_window->PushButton6->click();
        QCOMPARE(m_window->form().ListView1.rowText(1), longRow);
        const QAbstractItemModel* model = m_window->ListView1->model();
        const QString shown = model->index(0, 0).data().toString();
        QVERIFY(shown.size() < 5000);
        QVERIFY(shown.endsWith(QChar(0x2026)));
        QVERIFY(QString::fromStdString(longRow).startsWith(shown.chopped(1)));
        QCOMPARE(model->index(1, 0).data().toString(), QStringLiteral("http://b"));
    }

private:
    static constexpr int kLongListLines = 300000;

    static QString numbered(int line) { return QStringLiteral("http://site%1.example").arg(line); }

    QString write(const char* name, const std::string& content) {
        const QString path = m_folder.filePath(QString::fromUtf8(name));
        std::ofstream(path.toStdString(), std::ios::binary) << content;
        return path;
    }

    QString writeNumberedList(const char* name, int lines) {
        std::string content;
        for (int i = 0; i < lines; ++i) content += numbered(i).toStdString() + "\r\n";
        return write(name, content);
    }

    // Runs action once, at the first turn of the event loop that finds rows
    // imported.
    void duringImport(std::function<void()> action) {
        auto* poll = new QTimer(m_window.get());
        connect(poll, &QTimer::timeout, [this, poll, action = std::move(action)] {
            if (m_window->form().ListView1.rowCount() == 0) return;
            poll->stop();
            action();
        });
        poll->start(0);
    }

    QStringList rows() const {
        QStringList texts;
        const Form1& form = m_window->form();
        for (std::int64_t row = 1; row <= form.ListView1.rowCount(); ++row) {
            texts.append(QString::fromStdString(form.ListView1.rowText(row)));
        }
        return texts;
    }

    QTemporaryDir m_folder;
    std::unique_ptr<Form1Window> m_window;
};

}  // namespace orlenda

QTEST_MAIN(orlenda::ListImportWindowTest)
#include "list_import_window_test.moc"
