// The list model when memory runs out, with an operator new that fails on
// demand (support/failing_allocation.cpp).

#include "platform/qt/site_list_model.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QTest>

#include "platform/qt/site_list_view.h"
#include "support/failing_allocation.h"

namespace orlenda::platform {

class SiteListModelTest : public QObject {
    Q_OBJECT

private slots:
    // Every allocation an append makes before it announces its row is made
    // to fail in turn: each time the list stays as it was, and the views and
    // the next append find it whole. From the announcement on nothing fails.
    void anAppendThatRunsOutOfMemoryLeavesTheListAsItWas() {
        SiteListModel model;
        // First in line, before the view and the tester allocate for the new row.
        connect(&model, &QAbstractItemModel::rowsAboutToBeInserted,
                [] { testing::StopFailingAllocations(); });
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.addColumn(QStringLiteral(" Web Site(s)"));
        SiteListView view;
        view.setModel(&model);
        view.show();

        const std::string longRow(100, 'r');  // too long for a string's own buffer
        int failures = 0;
        // Forty rows take the deque past blocks of its own.
        for (int row = 0; row < 40; ++row) {
            const std::string text = longRow + std::to_string(row);
            for (long skip = 0;; ++skip) {
                testing::FailOneAllocation(0, skip);
                try {
                    model.append(text);
                } catch (const std::bad_alloc&) {
                }
                testing::StopFailingAllocations();
                if (!testing::AllocationFailed()) break;
                ++failures;
                QCOMPARE(model.rowCount(), row);
            }
            QCOMPARE(model.rowCount(), row + 1);
            QCOMPARE(model.text(row), text);
        }
        QVERIFY(failures >= 40);
        view.scrollToBottom();
        QVERIFY(!view.grab().isNull());
        QCOMPARE(view.model()->index(39, 0).data().toString(),
                 QString::fromStdString(longRow + "39"));
    }
};

}  // namespace orlenda::platform

QTEST_MAIN(orlenda::platform::SiteListModelTest)
#include "site_list_model_test.moc"
