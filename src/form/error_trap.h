#pragma once

#include <exception>
#include <string>
#include <utility>

#include "platform/dialogs.h"

namespace orlenda {

// Set when the program is built.
inline constexpr char kSupportAddress[] = ORLENDA_SUPPORT_ADDRESS;
inline constexpr char kErrorCaption[] = "Application Error";

// The text of the "Application Error" box for a failed step.
std::string ComposeErrorMessage(const std::string& description, const std::string& location,
                                int step);

// The error trap of a handler. A handler is a sequence of numbered steps; a
// step that throws is reported in the "Application Error" box and the handler
// goes on with its next step, so no failure leaves a handler or ends the
// program. The trap lives for one call of one handler.
class ErrorTrap {
public:
    ErrorTrap(platform::Dialogs& dialogs, std::string location);

    // Runs one action step.
    template <class Action>
    void step(int number, Action&& action) {
        guarded(number, std::forward<Action>(action));
    }

    // A test that guards an action: the action runs when the test holds, and
    // also when the test itself failed.
    template <class Test>
    bool when(int number, Test&& test) {
        bool holds = true;
        guarded(number, [&] { holds = test(); });
        return holds;
    }

    // A test whose only consequence is to end the handler: a failed test
    // guards nothing, so the handler goes on.
    template <class Test>
    bool endsWhen(int number, Test&& test) {
        bool holds = false;
        guarded(number, [&] { holds = test(); });
        return holds;
    }

private:
    template <class Action>
    void guarded(int number, Action&& action) {
        try {
            action();
        } catch (const std::exception& failure) {
            report(number, failure.what());
        } catch (...) {
            report(number, "Unknown error");
        }
    }

    void report(int number, const std::string& description);

    platform::Dialogs& m_dialogs;
    std::string m_location;
};

}  // namespace orlenda
