#include "app/stop_request_watch.h"

#ifdef _WIN32
#include <QWinEventNotifier>
#else
#include <QSocketNotifier>
#endif

namespace orlenda {

StopRequestWatch::StopRequestWatch(std::function<void(int signal)> stop) {
#ifdef _WIN32
    auto notifier = std::make_unique<QWinEventNotifier>(m_requests.event());
    connect(notifier.get(), &QWinEventNotifier::activated, this, [stop] { stop(0); });
#else
    auto notifier =
        std::make_unique<QSocketNotifier>(m_requests.descriptor(), QSocketNotifier::Read);
    connect(notifier.get(), &QSocketNotifier::activated, this,
            [this, stop] { stop(m_requests.takeRequest()); });
#endif
    m_notifier = std::move(notifier);
}

StopRequestWatch::~StopRequestWatch() = default;

}  // namespace orlenda
