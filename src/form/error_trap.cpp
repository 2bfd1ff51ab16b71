#include "form/error_trap.h"

namespace orlenda {

std::string ComposeErrorMessage(const std::string& description, const std::string& location,
                                int step) {
    return description + "\r\n" + location + "at line " + std::to_string(step) + "\r\r" +
           "Please email screenshot of this message to " + kSupportAddress;
}

ErrorTrap::ErrorTrap(platform::Dialogs& dialogs, std::string location)
    : m_dialogs(dialogs), m_location(std::move(location)) {}

void ErrorTrap::report(int number, const std::string& description) {
    m_dialogs.messageBox(ComposeErrorMessage(description, m_location, number),
                         platform::kMessageExclamation, kErrorCaption);
}

}  // namespace orlenda
