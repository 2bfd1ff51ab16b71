// Runs the real window once: the folder and the rows from its arguments,
// every message box answered with OK and its text written to stdout, one a
// line. Lets a test start the program from a folder of its choosing.

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <cstdio>

#include "app/form1_window.h"
#include "support/message_box_answerer.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    if (argc < 2) return 2;
    orlenda::Form1Window window;
    window.Text1->setText(QString::fromLocal8Bit(argv[1]));
    for (int row = 2; row < argc; ++row) window.form().ListView1.append(argv[row]);
    window.show();
    orlenda::testing::MessageBoxAnswerer answerer;
    window.PushButton2->click();
    for (const QString& message : answerer.seen) std::puts(qPrintable(message));
    return 0;
}
