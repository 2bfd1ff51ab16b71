#include <QApplication>

#include "app/form1_layout.h"
#include "app/form1_window.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));
    QApplication::setApplicationDisplayName(QString::fromUtf8(orlenda::kApplicationTitle));

    orlenda::Form1Window window;
    orlenda::Form1& form = window.form();
    form.Me.setCaption(orlenda::kApplicationTitle);
    form.ListView1.addColumn(" Web Site(s)");
    form.ListView1.setFirstColumnWidth(orlenda::kListColumnWidthTwips);

    window.centerOnScreen();
    window.show();
    return application.exec();
}
