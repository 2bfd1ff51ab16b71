#pragma once

#include <QtGui/qwindowdefs.h>

#include <QByteArray>

namespace orlenda::platform {

// Whether a native event that a top-level window got means the program must
// end although no one asked the window to close: on Windows the session
// ending (WM_ENDSESSION that ends it: a log-off, a shut-down); on X11 the
// window itself destroyed under the program (its DestroyNotify: a killed
// session, a crashed window manager, xdotool windowclose), after which it
// would run on with no window at all. window is the window's native id.
bool EndsWithoutCloseRequest(const QByteArray& eventType, const void* message, WId window);

}  // namespace orlenda::platform
