// Starts a run on the real window over the rows of its arguments and closes
// the window while the capture of the given row runs. Exits with 0 when the
// close ended the program, with 3 when the run came back instead.
// Arguments: FOLDER ROW ADDRESS...

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include "app/form1_window.h"
#include "convert/convert_handlers.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() < 4) return 2;
    orlenda::Form1Window window;
    for (const QString& address : arguments.mid(3)) {
        window.form().ListView1.append(address.toStdString());
    }
    window.Text1->setText(arguments[1]);
    window.show();
    const std::string closingRow =
        orlenda::kProcessingPrefix + arguments[arguments[2].toInt() + 2].toStdString();
    // The bar names the row just before its tool starts: a moment later, the
    // tool runs.
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, &window, [&] {
        if (!window.form().ProgressBar1.text().starts_with(closingRow)) return;
        watch.stop();
        QTimer::singleShot(300, &window, [&] { window.close(); });
    });
    watch.start(10);
    QTimer::singleShot(0, &window, [&] {
        window.PushButton2->click();
        std::exit(3);
    });
    return application.exec();
}
