#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <vector>

namespace orlenda::testing {

struct AnsweredBox {
    QString text;
    QString title;
    QMessageBox::Icon icon;
};

// Answers every message box that comes up with OK and notes what it said.
// It looks often, so it also answers the boxes that a run shows from inside
// its own event loops.
class MessageBoxAnswerer {
public:
    MessageBoxAnswerer() {
        QObject::connect(&m_timer, &QTimer::timeout, [this] { answer(); });
        m_timer.start(10);
    }

    std::vector<AnsweredBox> boxes;

    QStringList texts() const {
        QStringList list;
        for (const AnsweredBox& box : boxes) list << box.text;
        return list;
    }

private:
    void answer() {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible()) return;
        boxes.push_back({box->text(), box->windowTitle(), box->icon()});
        box->button(QMessageBox::Ok)->click();
    }

    QTimer m_timer;
};

}  // namespace orlenda::testing
