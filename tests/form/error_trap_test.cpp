#include "form/error_trap.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "fakes/fake_form.h"

namespace orlenda {
namespace {

using testing::FakeDialogs;

constexpr char kLocation[] = "in Orlenda2021/08/31.Form1.PushButton1_Click ";

TEST(ErrorTrap, ReportsEachFailingStepInOrderAndGoesOn) {
    FakeDialogs dialogs;
    bool lastRan = false;
    ErrorTrap trap(dialogs, kLocation);
    trap.step(102, [] { throw std::runtime_error("Disk full"); });
    trap.step(104, [] { throw 42; });
    trap.step(106, [&] { lastRan = true; });

    EXPECT_TRUE(lastRan);
    ASSERT_EQ(dialogs.messages.size(), 2u);
    EXPECT_EQ(dialogs.messages[0].text,
              "Disk full\r\nin Orlenda2021/08/31.Form1.PushButton1_Click at line 102\r\r"
              "Please email screenshot of this message to " +
                  std::string(kSupportAddress));
    EXPECT_EQ(dialogs.messages[1].text, ComposeErrorMessage("Unknown error", kLocation, 104));
    for (const auto& message : dialogs.messages) {
        EXPECT_EQ(message.caption, "Application Error");
        EXPECT_EQ(message.style, platform::kMessageExclamation);
    }
}

// Whether a test holds is checked through the handlers; here, a test that fails.
TEST(ErrorTrap, AFailingTestIsReportedAndLetsItsActionRunButEndsNothing) {
    FakeDialogs dialogs;
    ErrorTrap trap(dialogs, kLocation);
    const auto failing = []() -> bool { throw std::runtime_error("test failed"); };
    EXPECT_TRUE(trap.when(102, failing));
    EXPECT_FALSE(trap.endsWhen(104, failing));
    EXPECT_EQ(dialogs.messages.size(), 2u);
}

}  // namespace
}  // namespace orlenda
