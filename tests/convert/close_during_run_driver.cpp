// Starts a run on the real window and closes the window while the first
// capture tool runs. Exits with 0 when the close ended the program, with 3
// when the run came back instead.

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include "app/form1_window.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() < 2) return 2;
    orlenda::Form1Window window;
    window.form().ListView1.append("http://a/1");
    window.form().ListView1.append("http://a/2");
    window.Text1->setText(arguments[1]);
    window.show();
    QTimer::singleShot(300, &window, [&] { window.close(); });
    QTimer::singleShot(0, &window, [&] {
        window.PushButton2->click();
        std::exit(3);
    });
    return application.exec();
}
