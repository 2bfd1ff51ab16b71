#pragma once

#include <QObject>
#include <functional>

class QWidget;

namespace orlenda::platform {

// Calls its action at every move of the mouse over the widgets it watches,
// with or without a button held. A move it has seen goes no further up to
// the widget's parents, so that the action of the control under the mouse is
// the only one that runs.
class MouseMoveForwarder final : public QObject {
    Q_OBJECT

public:
    MouseMoveForwarder(std::function<void()> action, QObject* parent);

    void watch(QWidget& widget);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<void()> m_action;
};

}  // namespace orlenda::platform
