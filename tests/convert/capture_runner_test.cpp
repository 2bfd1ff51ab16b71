#include "convert/capture_runner.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <tuple>

#include "fakes/fake_form.h"

namespace orlenda {
namespace {

using ::testing::ElementsAre;
using testing::FakeProcess;
using ::testing::IsEmpty;

// Waits for the process, with the fake bar as the indicator or without one.
ToolEnd Wait(testing::FakeForm& fake, FakeProcess process, bool withIndicator = true,
             const std::string& baseText = "a", std::int32_t baseValue = 50,
             std::int32_t rowCount = 2) {
    fake.processes.script = {process};
    return RunToolAndWait({fake.processes, fake.events, fake.sleeper}, "iecapt", std::nullopt,
                          withIndicator ? &fake.progress : nullptr, baseText, baseValue, rowCount,
                          "/shots");
}

// What the tool said could not be kept: that is said, never taken for silence.
TEST(RunToolAndWait, SaysWhyWhatTheToolSaidWasLost) {
    testing::FakeForm fake;
    const ToolEnd lost = Wait(fake, {.errorOutputLost = "no folder could take a file for them"});
    EXPECT_EQ(lost.wordsLost, "no folder could take a file for them");
    EXPECT_EQ(fake.processes.lastSpareFolder, "/shots");
}

TEST(RunToolAndWait, PollsEveryTenthOfASecondAndOnceMoreAfterTheEnd) {
    // "Still active" answers, with a bar or not, its text; the bar's texts and values.
    using Texts = std::vector<std::string>;
    const std::tuple<int, bool, std::string, Texts, std::vector<double>> waits[] = {
        {4, true, "a", {"a"}, {}},  // a short wait only writes the text back
        {50, true, "", {"Please wait.. 0", "Please wait.. 1", "Progress Bar"}, {50}},
        {60, false, "a", {}, {}},
    };
    for (const auto& [runningQueries, withIndicator, baseText, texts, values] : waits) {
        testing::FakeForm fake;
        EXPECT_EQ(Wait(fake, {runningQueries, 3}, withIndicator, baseText).exitCode, 3);
        EXPECT_EQ(fake.sleeper.pauses, std::vector<int>(runningQueries + 1, 100));
        EXPECT_EQ(fake.progress.texts, texts) << runningQueries;
        EXPECT_EQ(fake.progress.values, values) << runningQueries;
        EXPECT_THAT(fake.processes.closed, ElementsAre(1));
    }
}

// 259 is "still active" to Windows, but a tool that has ended with it has ended.
TEST(RunToolAndWait, EndsWithAnyExitCodeOnceTheProcessHasEnded) {
    for (const std::uint32_t code : {259u, 1u, 0xC0000005u}) {
        testing::FakeForm fake;
        EXPECT_EQ(Wait(fake, {2, code}).exitCode, static_cast<std::int32_t>(code));
        EXPECT_EQ(fake.sleeper.pauses.size(), 3u);
    }
}

TEST(RunToolAndWait, CreepsEveryHundredAndFiftyPollsButShowsNoMoreThanAFullBar) {
    testing::FakeForm fake;
    Wait(fake, {499, 0}, true, "x", 85, 1);  // the last poll is the 500th: a creep
    EXPECT_THAT(fake.progress.values, ElementsAre(85, 95, 100, 100));
}

TEST(RunToolAndWait, EndsAtOnceWhenTheProcessCannotBeStarted) {
    testing::FakeForm failedStart;
    failedStart.processes.startError = 2;
    const ToolEnd notStarted = Wait(failedStart, {10, 3});
    EXPECT_EQ(notStarted.exitCode, -2147221502);
    EXPECT_EQ(notStarted.startFailure, "No such file or directory");
    EXPECT_THAT(failedStart.sleeper.pauses, IsEmpty());

    // A failure after the start reaches the caller, and the process is released.
    testing::FakeForm failedQuery;
    EXPECT_THROW(Wait(failedQuery, {.queriesFail = true}), std::runtime_error);
    EXPECT_THAT(failedQuery.processes.closed, ElementsAre(1));
}

// A process that cannot be looked at may still be running: it never counts
// as ended with 0, and the wait lasts until the tool has surely given up
// (its time-out is 60 s), so that the next row cannot overlap it.
TEST(RunToolAndWait, NeverTakesAProcessItCannotSeeForEnded) {
    const std::tuple<bool, FakeProcess, std::string> cases[] = {
        {true, {10, 0}, "it could not be opened"},
        {false, {.unansweredQueries = 1 << 20}, "the system did not say whether it had ended"},
        // A few unanswered queries are no failure yet.
        {false, {.runningQueries = 3, .exitCode = 4, .unansweredQueries = 200}, ""},
    };
    for (const auto& [openFails, process, watchFailure] : cases) {
        testing::FakeForm fake;
        fake.processes.openFails = openFails;
        const ToolEnd end = Wait(fake, process);
        EXPECT_EQ(end.watchFailure, watchFailure);
        if (watchFailure.empty()) {
            EXPECT_EQ(end.exitCode, 4);
        } else {
            EXPECT_GE(fake.sleeper.pauses.size() * kPollIntervalMilliseconds, 70'000u);
        }
        EXPECT_THAT(fake.processes.closed, ElementsAre(openFails ? 0 : 1)) << watchFailure;
    }
}

TEST(NormalizedWindowMode, MapsAbsentAndOutOfRangeModesToSix) {
    const std::pair<std::optional<int>, int> modes[] = {
        {std::nullopt, 6}, {-1, 6}, {0, 0}, {5, 5}, {6, 6}, {7, 6}};
    for (const auto& [mode, normalized] : modes) {
        EXPECT_EQ(NormalizedWindowMode(mode), normalized) << mode.value_or(-99);
    }
}

TEST(RoundHalfToEven, RoundsHalvesToTheEvenNeighbourAndRefusesWhatDoesNotFit) {
    const std::pair<double, std::int32_t> roundings[] = {
        {0.5, 0},   {1.5, 2},     {2.5, 2},    {-0.5, 0},
        {-1.5, -2}, {33.333, 33}, {66.67, 67}, {2147483647.4, 2147483647},
    };
    for (const auto& [value, rounded] : roundings) {
        EXPECT_EQ(RoundHalfToEven(value), rounded) << value;
    }
    for (const double unfit : {2147483647.5, double{INFINITY}, double{NAN}}) {
        EXPECT_THROW(RoundHalfToEven(unfit), std::overflow_error) << unfit;
    }
}

TEST(CreepValue, MovesByATenthOfARowsShareUpToTheCap) {
    // Rows, base value, step, cap; rounded halves to even: 2.5 -> 2, 0.5 -> 0.
    const std::array<std::int32_t, 4> creeps[] = {
        {1, 100, 10, 190}, {3, 33, 3, 63}, {4, 25, 2, 48}, {7, 100, 1, 113}, {20, 5, 0, 10},
    };
    for (const auto& [rows, baseValue, step, cap] : creeps) {
        for (std::int64_t k = 0; k <= 40; ++k) {
            EXPECT_EQ(CreepValue(k, baseValue, rows),
                      std::min<std::int64_t>(baseValue + k * step, cap))
                << rows << " rows, creep " << k;
        }
    }
    EXPECT_THROW(CreepValue(0, 0, 0), std::overflow_error);
}

}  // namespace
}  // namespace orlenda
