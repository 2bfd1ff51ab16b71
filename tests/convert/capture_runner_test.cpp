#include "convert/capture_runner.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <map>

#include "fakes/fake_form.h"

namespace orlenda {
namespace {

using ::testing::ElementsAre;
using testing::FakeEvents;
using testing::FakeForm;
using testing::FakeProcesses;
using testing::FakeSleeper;
using ::testing::IsEmpty;

// An indicator that notes at which poll (the number of pauses so far) each
// text and value was set.
class PollLoggingIndicator final : public platform::ProgressIndicator {
public:
    explicit PollLoggingIndicator(const FakeSleeper& sleeper) : m_sleeper(sleeper) {}

    std::string text() const override { return m_text; }
    void setText(const std::string& text) override {
        if (failingText == text) throw std::runtime_error("indicator gone");
        m_text = text;
        texts[m_sleeper.count].push_back(text);
    }
    double value() const override { return 0; }
    void setValue(double value) override { values[m_sleeper.count] = value; }

    std::map<int, std::vector<std::string>> texts;
    std::map<int, double> values;
    std::string failingText = "never";

private:
    const FakeSleeper& m_sleeper;
    std::string m_text;
};

class RunToolAndWaitTest : public ::testing::Test {
protected:
    std::int32_t runFor(int runningQueries, platform::ProgressIndicator* indicator,
                        const std::string& baseText = "Processing: a/b",
                        std::int32_t baseValue = 50, std::int32_t rowCount = 2) {
        processes.usual = {runningQueries, 3};
        return RunToolAndWait({processes, events, sleeper}, "\"/opt/o/iecapt\" --url=a/b",
                              std::nullopt, indicator, baseText, baseValue, rowCount);
    }

    FakeProcesses processes;
    FakeEvents events;
    FakeSleeper sleeper;
    PollLoggingIndicator indicator{sleeper};
};

TEST_F(RunToolAndWaitTest, PollsOnceMoreAfterTheProcessHasEnded) {
    EXPECT_EQ(runFor(4, &indicator), 3);
    // Four answers "still active", the fifth the exit code, then its whole poll.
    EXPECT_EQ(processes.queries, 5);
    EXPECT_EQ(sleeper.count, 5);
    EXPECT_EQ(sleeper.totalMilliseconds, 500);
    EXPECT_THAT(processes.opened, ElementsAre(1));
    EXPECT_THAT(processes.closed, ElementsAre(1));
    // A short wait leaves the text as it was and writes it back at the end.
    EXPECT_EQ(indicator.texts, (std::map<int, std::vector<std::string>>{{5, {"Processing: a/b"}}}));
    EXPECT_THAT(indicator.values, IsEmpty());
}

TEST_F(RunToolAndWaitTest, CountsTheWaitFromTheFiftiethPoll) {
    runFor(60, &indicator);
    EXPECT_EQ(indicator.texts.count(49), 0u);
    EXPECT_THAT(indicator.texts[50], ElementsAre("Processing: a/b, Please wait.. 0"));
    EXPECT_THAT(indicator.texts[51], ElementsAre("Processing: a/b, Please wait.. 1"));
    EXPECT_THAT(indicator.texts[61],
                ElementsAre("Processing: a/b, Please wait.. 11", "Processing: a/b"));
    // Only the first counted poll creeps in so short a wait: back to the base value.
    EXPECT_EQ(indicator.values, (std::map<int, double>{{50, 50}}));
}

TEST_F(RunToolAndWaitTest, WithoutBaseTextShowsNoCommaAndRestsAtProgressBar) {
    runFor(55, &indicator, "");
    EXPECT_THAT(indicator.texts[50], ElementsAre("Please wait.. 0"));
    EXPECT_THAT(indicator.texts[56], ElementsAre("Please wait.. 6", "Progress Bar"));
}

TEST_F(RunToolAndWaitTest, CreepsEveryHundredAndFiftyPolls) {
    runFor(1000, &indicator, "x", 33, 3);
    EXPECT_EQ(indicator.values,
              (std::map<int, double>{
                  {50, 33}, {200, 36}, {350, 39}, {500, 42}, {650, 45}, {800, 48}, {950, 51}}));
}

TEST_F(RunToolAndWaitTest, ShowsACreepPastTheEndAsAFullBar) {
    runFor(500, &indicator, "x", 100, 1);
    EXPECT_EQ(indicator.values,
              (std::map<int, double>{{50, 100}, {200, 100}, {350, 100}, {500, 100}}));
}

TEST_F(RunToolAndWaitTest, WithoutIndicatorOnlyWaits) {
    EXPECT_EQ(runFor(300, nullptr), 3);
    EXPECT_EQ(sleeper.count, 301);
    EXPECT_EQ(processes.queries, 301);
    EXPECT_THAT(processes.closed, ElementsAre(1));
}

TEST_F(RunToolAndWaitTest, AFailedStartReturnsANegativeCodeAndTouchesNothing) {
    processes.startError = 2;
    EXPECT_EQ(runFor(10, &indicator), -2147221502);
    EXPECT_THAT(processes.opened, IsEmpty());
    EXPECT_EQ(sleeper.count, 0);
    EXPECT_THAT(indicator.texts, IsEmpty());
}

TEST_F(RunToolAndWaitTest, AProcessThatCannotBeOpenedEndsTheWaitAfterOnePoll) {
    processes.openFails = true;
    EXPECT_EQ(runFor(10, &indicator), 0);
    EXPECT_EQ(sleeper.count, 1);
}

TEST_F(RunToolAndWaitTest, AFailureAfterTheStartReachesTheCallerAndReleasesTheProcess) {
    indicator.failingText = "Processing: a/b, Please wait.. 0";
    EXPECT_THROW(runFor(100, &indicator), std::runtime_error);
    EXPECT_EQ(sleeper.count, 50);
    EXPECT_THAT(processes.closed, ElementsAre(1));
}

TEST(NormalizedWindowMode, MapsAbsentAndOutOfRangeModesToSix) {
    const std::pair<std::optional<int>, int> modes[] = {
        {std::nullopt, 6}, {-1, 6}, {0, 0}, {1, 1}, {5, 5}, {6, 6}, {7, 6}, {-2147483647, 6},
    };
    for (const auto& [mode, normalized] : modes) {
        EXPECT_EQ(NormalizedWindowMode(mode), normalized) << mode.value_or(-99);
    }
}

TEST(RoundHalfToEven, RoundsHalvesToTheEvenNeighbour) {
    const std::pair<double, std::int32_t> roundings[] = {
        {0.5, 0},     {1.5, 2},    {2.5, 2},    {-0.5, 0},  {-1.5, -2},
        {33.333, 33}, {66.67, 67}, {2.4999, 2}, {100, 100}, {2147483647.4, 2147483647},
    };
    for (const auto& [value, rounded] : roundings) {
        EXPECT_EQ(RoundHalfToEven(value), rounded) << value;
    }
    EXPECT_THROW(RoundHalfToEven(2147483647.5), std::overflow_error);
    EXPECT_THROW(RoundHalfToEven(INFINITY), std::overflow_error);
    EXPECT_THROW(RoundHalfToEven(NAN), std::overflow_error);
}

struct Creep {
    std::int32_t rows;
    std::int32_t baseValue;
    std::int32_t step;
    std::int32_t cap;
};

TEST(CreepValue, MovesByTheStepUpToTheCap) {
    const Creep creeps[] = {
        {1, 100, 10, 190}, {2, 50, 5, 95}, {2, 100, 5, 145},  {3, 33, 3, 63},
        {3, 100, 3, 130},  {4, 25, 2, 48}, {4, 100, 2, 123},  {7, 14, 1, 27},
        {7, 100, 1, 113},  {20, 5, 0, 10}, {20, 100, 0, 105},
    };
    for (const Creep& creep : creeps) {
        for (std::int64_t k = 0; k <= 40; ++k) {
            EXPECT_EQ(CreepValue(k, creep.baseValue, creep.rows),
                      std::min<std::int64_t>(creep.baseValue + k * creep.step, creep.cap))
                << creep.rows << " rows, base " << creep.baseValue << ", creep " << k;
        }
    }
    EXPECT_THROW(CreepValue(0, 0, 0), std::overflow_error);
}

TEST(CaptureSite, StartsTheHiddenToolNextToTheProgram) {
    FakeForm fake;
    fake.files.programFolderPath = "/opt/or lenda";
    fake.list.rows = {"a", "b", "c", "d"};
    fake.progress.setText("Processing: a b");
    fake.progress.setValue(12.5);  // halves go to the even neighbour: 12
    fake.processes.usual = {60, 0};
    CaptureSite(fake.form, "http://a/b c", "/shots/a_b c.jpg");

    ASSERT_EQ(fake.processes.started.size(), 1u);
    EXPECT_EQ(fake.processes.started[0].commandLine,
              "\"/opt/or lenda/iecapt\" --url=http://a/b%20c --out=\"/shots/a_b c.jpg\"");
    EXPECT_EQ(fake.processes.started[0].windowMode, 0);
    // 61 polls: the count runs from 0 at poll 50 to 11, then the text is restored.
    ASSERT_EQ(fake.progress.texts.size(), 14u);
    EXPECT_EQ(fake.progress.texts[1], "Processing: a b, Please wait.. 0");
    EXPECT_EQ(fake.progress.texts[12], "Processing: a b, Please wait.. 11");
    EXPECT_EQ(fake.progress.texts[13], "Processing: a b");
    EXPECT_THAT(fake.progress.values, ElementsAre(12.5, 12));
}

}  // namespace
}  // namespace orlenda
