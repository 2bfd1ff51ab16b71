#include "app/error_trap.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "fakes/fake_form.h"

namespace orlenda {
namespace {

using testing::FakeDialogs;

constexpr char kLocation[] = "in Orlenda2021/08/31.Form1.PushButton1_Click ";

TEST(ComposeErrorMessage, FollowsTheReportLayoutToTheCharacter) {
    EXPECT_EQ(ComposeErrorMessage("Disk full", kLocation, 104),
              "Disk full\r\nin Orlenda2021/08/31.Form1.PushButton1_Click at line 104\r\r"
              "Please email screenshot of this message to support@orlenda.example");
    EXPECT_EQ(ComposeErrorMessage("", "in X ", 100),
              "\r\nin X at line 100\r\rPlease email screenshot of this message to "
              "support@orlenda.example");
}

TEST(ErrorTrap, ReportsAFailingStepAsAWarningAndGoesOn) {
    FakeDialogs dialogs;
    std::vector<int> ran;
    {
        ErrorTrap trap(dialogs, kLocation);
        trap.step(100, [&] { ran.push_back(100); });
        trap.step(102, [&] { throw std::runtime_error("Permission denied"); });
        trap.step(104, [&] { ran.push_back(104); });
    }
    EXPECT_EQ(ran, (std::vector<int>{100, 104}));
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, ComposeErrorMessage("Permission denied", kLocation, 102));
    EXPECT_EQ(dialogs.messages[0].caption, "Application Error");
    EXPECT_EQ(dialogs.messages[0].style, platform::kMessageExclamation);
}

TEST(ErrorTrap, ReportsEveryFailureOfOneCallInStepOrder) {
    FakeDialogs dialogs;
    ErrorTrap trap(dialogs, kLocation);
    bool lastRan = false;
    trap.step(100, [] { throw std::runtime_error("first"); });
    trap.step(102, [] { throw std::logic_error("second"); });
    trap.step(104, [&] { lastRan = true; });
    ASSERT_EQ(dialogs.messages.size(), 2u);
    EXPECT_EQ(dialogs.messages[0].text, ComposeErrorMessage("first", kLocation, 100));
    EXPECT_EQ(dialogs.messages[1].text, ComposeErrorMessage("second", kLocation, 102));
    EXPECT_TRUE(lastRan);
}

TEST(ErrorTrap, DescribesAFailureThatCarriesNoText) {
    FakeDialogs dialogs;
    ErrorTrap trap(dialogs, kLocation);
    trap.step(106, [] { throw 42; });
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, ComposeErrorMessage("Unknown error", kLocation, 106));
}

// How each kind of test answers, whether it holds, fails to hold or fails itself.
TEST(ErrorTrap, TestsAnswerAsTheirKindRequires) {
    struct Case {
        const char* name;
        bool guardsAnAction;  // when() rather than endsWhen()
        int outcome;          // 1 holds, 0 does not hold, -1 the test throws
        bool expected;
        std::size_t messages;
    };
    const Case cases[] = {
        {"guard holds", true, 1, true, 0},
        {"guard does not hold", true, 0, false, 0},
        {"failing guard runs its action", true, -1, true, 1},
        {"end test holds", false, 1, true, 0},
        {"end test does not hold", false, 0, false, 0},
        {"failing end test goes on", false, -1, false, 1},
    };
    for (const Case& c : cases) {
        FakeDialogs dialogs;
        ErrorTrap trap(dialogs, kLocation);
        const auto test = [&] {
            if (c.outcome < 0) throw std::runtime_error("test failed");
            return c.outcome == 1;
        };
        const bool answer = c.guardsAnAction ? trap.when(102, test) : trap.endsWhen(102, test);
        EXPECT_EQ(answer, c.expected) << c.name;
        EXPECT_EQ(dialogs.messages.size(), c.messages) << c.name;
    }
}

}  // namespace
}  // namespace orlenda
