#include "platform/qt/mouse_move_forwarder.h"

#include <QEvent>
#include <QWidget>

namespace orlenda::platform {

MouseMoveForwarder::MouseMoveForwarder(std::function<void()> action, QObject* parent)
    : QObject(parent), m_action(std::move(action)) {}

void MouseMoveForwarder::watch(QWidget& widget) {
    widget.setMouseTracking(true);
    widget.setAttribute(Qt::WA_NoMousePropagation);
    widget.installEventFilter(this);
}

bool MouseMoveForwarder::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseMove) m_action();
    return QObject::eventFilter(watched, event);
}

}  // namespace orlenda::platform
