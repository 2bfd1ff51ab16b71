// The list's import and the run together, in the real window.

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "app/form1_window.h"
#include "support/message_box_answerer.h"
#include "support/modal_dialogs.h"

namespace orlenda {

class ListAndRunWindowTest : public QObject {
    Q_OBJECT

private slots:
    // Start pressed while a long list is still loading is refused, as a run
    // would take only the rows read so far; every row of the file arrives.
    void startDuringTheImportOfALongListIsRefusedAndEveryRowArrives() {
        constexpr int kRows = 300000;
        QTemporaryDir folder;
        QFile list(folder.filePath(QStringLiteral("long.txt")));
        QVERIFY(list.open(QIODevice::WriteOnly));
        for (int row = 1; row <= kRows; ++row)
            list.write(QByteArray("http://site.test/") + QByteArray::number(row) + "\r\n");
        list.close();
        Form1Window window;
        window.Text1->setText(QDir::toNativeSeparators(folder.path()) + QDir::separator());
        window.show();
        testing::MessageBoxAnswerer answerer;
        testing::AnswerNextModal([&](QWidget& modal) {
            auto* name = modal.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            name->setText(QDir::toNativeSeparators(list.fileName()));
            QMetaObject::invokeMethod(
                name, [name] { QTest::keyClick(name, Qt::Key_Return); }, Qt::QueuedConnection);
        });
        int rowsAtStart = 0;
        QTimer startOnceRowsArrive;
        connect(&startOnceRowsArrive, &QTimer::timeout, [&] {
            if (window.form().ListView1.rowCount() == 0) return;
            startOnceRowsArrive.stop();
            rowsAtStart = static_cast<int>(window.form().ListView1.rowCount());
            window.PushButton2->click();
        });
        startOnceRowsArrive.start(0);
        window.PushButton6->click();

        QVERIFY2(rowsAtStart > 0 && rowsAtStart < kRows, qPrintable(QString::number(rowsAtStart)));
        QCOMPARE(answerer.seen,
                 QStringList{"Orlenda: The list is still being loaded from its file. Start again "
                             "once all of its rows are in the list."});
        QCOMPARE(window.form().ListView1.rowCount(), kRows);
        QCOMPARE(window.form().ListView1.rowText(kRows),
                 "http://site.test/" + std::to_string(kRows));
        QVERIFY(!window.form().IsRunning && !window.form().IsImportingList);
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList{"long.txt"});
    }
};

}  // namespace orlenda

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationDisplayName(QString::fromUtf8(orlenda::kApplicationTitle));
    orlenda::ListAndRunWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "list_and_run_window_test.moc"
