#pragma once

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <functional>

namespace orlenda::testing {

// Arms an answer for the next modal dialog: once it is open, `answer` gets it.
// Call before the action that opens the dialog; it polls until one appears.
inline void AnswerNextModal(std::function<void(QWidget&)> answer) {
    auto* poll = new QTimer;
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, [poll, answer = std::move(answer)] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal) return;
        poll->stop();
        poll->deleteLater();
        answer(*modal);
    });
    poll->start();
}

}  // namespace orlenda::testing
