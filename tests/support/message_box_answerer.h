#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

namespace orlenda::testing {

// Answers every message box with OK, noting "title: text" (" (icon)" after the
// title of a box with one); often, so also inside a run's own event loops.
class MessageBoxAnswerer : public QTimer {
public:
    MessageBoxAnswerer() {
        connect(this, &QTimer::timeout, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || !box->isVisible()) return;
            const QString icon = box->icon() == QMessageBox::NoIcon ? "" : " (icon)";
            seen << box->windowTitle() + icon + ": " + box->text();
            box->button(QMessageBox::Ok)->click();
        });
        start(10);
    }

    QStringList seen;
};

}  // namespace orlenda::testing
