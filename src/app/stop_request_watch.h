#pragma once

#include <QObject>
#include <functional>
#include <memory>

#include "app/native_services.h"

namespace orlenda {

// Calls stop, on the window's thread and from its event loop (also a run's
// or a dialog's), when the program is asked from outside to end: by SIGTERM,
// SIGHUP or SIGINT on POSIX systems, with that signal, by Ctrl+C,
// Ctrl+Break or its console's close on Windows, with 0. One per program,
// beside its window.
class StopRequestWatch final : public QObject {
    Q_OBJECT

public:
    explicit StopRequestWatch(std::function<void(int signal)> stop);
    ~StopRequestWatch() override;

private:
    NativeStopRequests m_requests;
    // The notifier of the platform's kind, on the requests' handle.
    std::unique_ptr<QObject> m_notifier;
};

}  // namespace orlenda
