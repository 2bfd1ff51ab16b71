// An import that runs out of memory, with an operator new that fails on
// demand (support/failing_allocation.cpp).

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <fstream>

#include "app/form1_window.h"
#include "platform/qt/site_list_view.h"
#include "support/failing_allocation.h"
#include "support/message_box_answerer.h"
#include "support/modal_dialogs.h"

namespace orlenda {

class ImportOutOfMemoryTest : public QObject {
    Q_OBJECT

private slots:
    void anImportThatRunsOutOfMemoryStopsSaysHowManyRowsItAddedAndTheWindowGoesOn() {
        // Rows of 173 bytes: copying one allocates 174, a size the window
        // itself does not ask for.
        constexpr int kLines = 1000;
        std::vector<std::string> lines;
        std::string content;
        for (int line = 0; line < kLines; ++line) {
            lines.push_back("http://site" + std::to_string(line) + ".example/");
            lines.back().resize(173, 'p');
            content += lines.back() + "\r\n";
        }
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("list.txt"));
        std::ofstream(path.toStdString(), std::ios::binary) << content;

        Form1Window window;
        window.form().ListView1.addColumn(" Web Site(s)");
        window.show();
        QAbstractItemModelTester tester(window.ListView1->model(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        testing::MessageBoxAnswerer answerer;
        testing::AnswerNextModal([&](QWidget& modal) {
            auto* nameField = modal.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            nameField->setText(path);
            QTest::keyClick(nameField, Qt::Key_Return);
        });
        // Memory runs out a good way into the file, once the import is adding.
        connect(
            window.ListView1->model(), &QAbstractItemModel::rowsInserted, this,
            [] { testing::FailOneAllocation(174, 601); }, Qt::SingleShotConnection);
        window.PushButton6->click();
        testing::StopFailingAllocations();

        QVERIFY(testing::AllocationFailed());
        const std::int64_t added = window.form().ListView1.rowCount();
        QVERIFY(added > 1 && added < kLines);
        for (std::int64_t row = 1; row <= added; ++row) {
            QCOMPARE(window.form().ListView1.rowText(row), lines[row - 1]);
        }
        QCOMPARE(answerer.seen.size(), 1);
        QVERIFY2(answerer.seen[0].contains(
                     QStringLiteral("The import stopped after adding %1 rows").arg(added)) &&
                     answerer.seen[0].contains(QStringLiteral("PushButton6_Click at line 118")),
                 qPrintable(answerer.seen[0]));
        window.PushButton3->click();
        QCOMPARE(window.form().ListView1.rowCount(), added + 2);
        window.ListView1->scrollToBottom();
        QVERIFY(!window.grab().isNull());
    }
};

}  // namespace orlenda

QTEST_MAIN(orlenda::ImportOutOfMemoryTest)
#include "import_out_of_memory_test.moc"
