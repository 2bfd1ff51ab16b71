#include "system/capture_host.h"

#include "common/exit_code.h"

namespace orlenda::iecapt {

// No host on Windows yet: every capture starts its own browser.
std::unique_ptr<MessageChannel> openHostChannel(const HostRequest&, NativeHandle, Deadline) {
    return nullptr;
}

int serveAsHost(const std::vector<std::string>&, const std::string&, std::ostream& err) {
    err << "iecapt: error: " << kHostArgument << " is not available on Windows\n";
    return static_cast<int>(ExitCode::BadArguments);
}

}  // namespace orlenda::iecapt
