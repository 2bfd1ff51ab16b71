// The settle decision from plain facts: what holds a page back, until when,
// and what is given up on. Times in ms; each look is 1 s into a 3 s budget.

#include "page/settle_decision.h"

#include <gtest/gtest.h>

namespace orlenda::iecapt {
namespace {

using std::chrono::milliseconds;
using Verdict = SettleAnswer::Verdict;
using enum Motion;

// What differs from a page that has been still for long.
struct Page {
    bool inFlight = false;
    int network = -5000, document = -5000, frame = -5000, animations = 0;
    std::vector<PendingTimer> timers = {};
    ConsentCheck consent = ConsentCheck::Off;
    int now = 1000;
    int workersAwaited = 0, workerMessage = -5000, lateness = 0;
    int videosLoading = 0;
    std::optional<milliseconds> refresh = {};
};

SettleAnswer decide(const Page& page) {
    return decideSettle({.now = milliseconds(page.now),
                         .budgetEnd = milliseconds(3000),
                         .lastNetworkActivity = milliseconds(page.network),
                         .requestsInFlight = page.inFlight,
                         .lastDocumentChange = milliseconds(page.document),
                         .lastFrameAsked = milliseconds(page.frame),
                         .animationsRunning = page.animations,
                         .timers = page.timers,
                         .workersAwaited = page.workersAwaited,
                         .lastWorkerMessage = milliseconds(page.workerMessage),
                         .lateness = milliseconds(page.lateness),
                         .consent = page.consent,
                         .videosLoading = page.videosLoading,
                         .refreshDue = page.refresh});
}

PendingTimer dueAt(int ms, int rearms = 0) { return {.due = milliseconds(ms), .rearms = rearms}; }

// A chain (set again by its own run this often) or an interval, every ms,
// whose last run changed the document or not.
PendingTimer repeating(int due, int every, bool changed, bool interval = false) {
    return {.due = milliseconds(due),
            .rearms = interval ? 0 : 5,
            .interval = interval,
            .every = milliseconds(every),
            .changedSinceRun = changed};
}

TEST(SettleDecisionTest, EachRuleHoldsThePageUntilItsTimeOrGivesUpWithAReason) {
    const SettleLimits limits;  // the tables assume its periods
    ASSERT_EQ(limits.networkQuiet, milliseconds(150));
    ASSERT_EQ(limits.framesQuiet, milliseconds(100));
    ASSERT_EQ(limits.lookInterval, milliseconds(50));
    ASSERT_EQ(limits.endlessRearms, 2);
    ASSERT_EQ(limits.slowRepeat, milliseconds(1000));
    const struct {
        const char* name;
        Page page;
        Verdict verdict;
        std::vector<Motion> moving;
        int lookAgainAt = 0;
    } cases[] = {
        {"a still page", {}, Verdict::Settled, {}},
        {"requests in flight keep the page unsettled",
         {.inFlight = true},
         Verdict::LookAgain,
         {Network},
         1050},
        {"a response just now", {.network = 990}, Verdict::LookAgain, {Network}, 1140},
        {"a change to the document", {.document = 980}, Verdict::LookAgain, {Document}, 1130},
        {"a frame asked for", {.frame = 999}, Verdict::LookAgain, {AnimationFrames}, 1099},
        {"an animation on its way to its end",
         {.animations = 1},
         Verdict::LookAgain,
         {Animations},
         1050},
        {"a one-shot timer due within the budget",
         {.timers = {dueAt(1800)}},
         Verdict::LookAgain,
         {Timers},
         1800},
        {"an overdue timer: the page is busy",
         {.timers = {dueAt(900)}},
         Verdict::LookAgain,
         {Timers},
         1050},
        {"work handed to a worker", {.workersAwaited = 1}, Verdict::LookAgain, {Workers}, 1050},
        {"a worker's answer just now", {.workerMessage = 990}, Verdict::LookAgain, {Workers}, 1140},
        {"a busy page's quiet periods grow by its lateness",
         {.document = 980, .lateness = 200},
         Verdict::LookAgain,
         {Document},
         1330},
        {"but not without bound",
         {.document = 980, .lateness = 60000},
         Verdict::LookAgain,
         {Document},
         1730},
        {"a timer due as the budget ends",
         {.timers = {dueAt(3000)}},
         Verdict::LookAgain,
         {Timers},
         3000},
        {"nor does a timer due after the budget", {.timers = {dueAt(60000)}}, Verdict::Settled, {}},
        {"the latest of several",
         {.document = 990, .timers = {dueAt(1100), dueAt(2500)}},
         Verdict::LookAgain,
         {Document, Timers},
         2500},
        {"never a look after the budget",
         {.document = 2990, .now = 2995},
         Verdict::LookAgain,
         {Document},
         3000},
        {"what still moves when the budget ends",
         {.inFlight = true, .frame = 3000, .now = 3000},
         Verdict::GiveUp,
         {Network, AnimationFrames}},
        {"a chain that keeps setting itself again while its runs change the document",
         {.timers = {repeating(1100, 100, true)}},
         Verdict::LookAgain,
         {EndlessTimers},
         1100},
        {"a chain whose runs change nothing holds nothing",
         {.timers = {repeating(1100, 100, false)}},
         Verdict::Settled,
         {}},
        {"a chain short of that", {.timers = {dueAt(1100, 1)}}, Verdict::LookAgain, {Timers}, 1100},
        {"an interval still building the picture",
         {.timers = {repeating(1100, 100, true, true)}},
         Verdict::LookAgain,
         {EndlessTimers},
         1100},
        {"a clock's ticks", {.timers = {repeating(1100, 1000, true, true)}}, Verdict::Settled, {}},
        {"what still repeats when the budget ends",
         {.timers = {repeating(3050, 100, true)}, .now = 3000},
         Verdict::GiveUp,
         {EndlessTimers}},
        {"a video in the picture loading its first frame",
         {.videosLoading = 1},
         Verdict::LookAgain,
         {Videos},
         1050},
        {"a refresh to another page due within the budget",
         {.refresh = milliseconds(1800)},
         Verdict::LookAgain,
         {Refresh},
         1800},
        {"a refresh due after it", {.refresh = milliseconds(8000)}, Verdict::Settled, {}},
    };
    for (const auto& row : cases) {
        const SettleAnswer answer = decide(row.page);
        EXPECT_EQ(answer.verdict, row.verdict) << row.name;
        EXPECT_EQ(answer.moving, row.moving) << row.name;
        if (row.verdict == Verdict::LookAgain) {
            EXPECT_EQ(answer.lookAgainAt, milliseconds(row.lookAgainAt)) << row.name;
        }
    }
}

TEST(SettleDecisionTest, WhatWasGivenUpOnIsSaidOnlyWhenThePictureStillChanges) {
    const struct {
        std::vector<Motion> givenUp;
        bool pictureChanged;
        std::vector<Motion> said;
    } cases[] = {
        {{Document, EndlessTimers}, false, {}},
        {{Network, ConsentBanner}, true, {Network}},
    };
    for (const auto& row : cases) {
        EXPECT_EQ(motionsToReport(row.givenUp, row.pictureChanged), row.said)
            << row.givenUp.size() << (row.pictureChanged ? " changing" : " still");
    }
}

TEST(SettleDecisionTest, TheConsentCheckWaitsOnlyForWhatItFound) {
    ASSERT_EQ(SettleLimits().consentWait, milliseconds(3000));
    using enum ConsentCheck;
    const struct {
        ConsentCheck state;
        int now;
        Verdict verdict;  // the banner is what holds the page or is given up on
    } cases[] = {
        {Off, 1000, Verdict::Settled},
        {Looking, 1000, Verdict::LookAgain},
        {Looking, 3000, Verdict::Settled},
        {Hinted, 1000, Verdict::LookAgain},
        {PlatformFound, 1000, Verdict::LookAgain},
        {BannerOpen, 1000, Verdict::LookAgain},
        {BannerOpen, 3000, Verdict::GiveUp},
        {NotClosed, 1000, Verdict::GiveUp},
        {Closed, 1000, Verdict::Settled},
        {NothingFound, 1000, Verdict::Settled},
    };
    for (const auto& row : cases) {
        const SettleAnswer answer = decide({.consent = row.state, .now = row.now});
        EXPECT_EQ(answer.verdict, row.verdict) << static_cast<int>(row.state) << " at " << row.now;
        EXPECT_EQ(answer.moving, row.verdict == Verdict::Settled ? std::vector<Motion>{}
                                                                 : std::vector{ConsentBanner})
            << static_cast<int>(row.state);
    }
}

TEST(SettleDecisionTest, TheConsentRulesReportReadsAsAState) {
    using enum ConsentCheck;
    const struct {
        ConsentReport report;
        ConsentCheck state;
    } cases[] = {
        {{"", 5, true, false}, Off},
        {{"initialized", 0, false, false}, Looking},
        {{"started", 1, false, false}, NothingFound},
        {{"started", 1, false, true}, Looking},
        {{"started", 1, true, false}, Hinted},
        {{"started", 2, true, true}, Looking},
        {{"started", 2, true, false}, NothingFound},
        {{"nothingDetected", 20, true, false}, NothingFound},
        {{"cmpDetected", 1, false, false}, PlatformFound},
        {{"runningOptOut", 1, false, true}, BannerOpen},
        {{"optOutSucceeded", 1, false, false}, BannerOpen},
        {{"optOutFailed", 1, false, false}, NotClosed},
        {{"done", 1, false, true}, Closed},
    };
    for (const auto& row : cases) {
        EXPECT_EQ(consentCheckOf(row.report), row.state)
            << row.report.lifecycle << " after " << row.report.looks << " looks";
    }
}

TEST(SettleDecisionTest, ABannerIsSaidClosedOnlyWhenTheLastLookFoundItGone) {
    using enum ConsentCheck;
    using Sight = BannerSight;
    using Outcome = BannerOutcome;
    const struct {
        ConsentCheck state;
        bool leftPage;
        BannerSight sight;
        BannerOutcome outcome;
    } cases[] = {
        {Closed, false, Sight::Gone, Outcome::Closed},
        {Closed, false, Sight::Shown, Outcome::Stayed},
        {Closed, false, Sight::Hidden, Outcome::Hidden},
        {Closed, false, Sight::Unknown, Outcome::None},
        {NotClosed, false, Sight::Gone, Outcome::None},
        {NotClosed, false, Sight::Unknown, Outcome::Stayed},
        {BannerOpen, false, Sight::Hidden, Outcome::Hidden},
        {Closed, true, Sight::Shown, Outcome::LeftPage},
        {Closed, true, Sight::Gone, Outcome::Closed},
        {NotClosed, true, Sight::Unknown, Outcome::LeftPage},
        {NothingFound, false, Sight::Unknown, Outcome::None},
    };
    for (const auto& row : cases) {
        EXPECT_EQ(bannerOutcome(row.state, row.leftPage, row.sight), row.outcome)
            << static_cast<int>(row.state) << (row.leftPage ? " left the page, " : ", ")
            << static_cast<int>(row.sight);
    }
}

TEST(SettleDecisionTest, OnlyPagesThatShowMoreOnScrollingAreScrolledThrough) {
    const struct {
        const char* name;
        LazyContentFacts facts;
        bool scroll;
    } cases[] = {
        {"a plain long document", {.pageHeight = 40000, .viewportHeight = 768}, false},
        {"lazy images", {.pageHeight = 40000, .viewportHeight = 768, .lazyElements = 3}, true},
        {"an observer", {.pageHeight = 40000, .viewportHeight = 768, .observedElements = 1}, true},
        {"a script following the scrolling",
         {.pageHeight = 40000, .viewportHeight = 768, .scrollListeners = 1},
         true},
        {"a page that fits", {.pageHeight = 768, .viewportHeight = 768, .lazyElements = 3}, false},
        {"the viewport only",
         {.fullPage = false, .pageHeight = 40000, .viewportHeight = 768, .lazyElements = 3},
         false},
    };
    for (const auto& row : cases) EXPECT_EQ(shouldScrollThrough(row.facts), row.scroll) << row.name;
}

TEST(SettleDecisionTest, LoadingAndSettlingLeaveTheCaptureItsTime) {
    EXPECT_EQ(stallCutOff(Millis(9000)), Millis(3000));
    EXPECT_EQ(stallCutOff(Millis(600000)), Millis(15000));  // a long time-out waits no longer
    const struct {
        Millis asked, timeLeft, timeout, budget;
    } cases[] = {
        {Millis(3000), Millis(50000), Millis(60000), Millis(3000)},  // plenty left
        {Millis(3000), Millis(21000), Millis(60000), Millis(1000)},  // the capture's 20 s kept
        {Millis(3000), Millis(5000), Millis(60000), Millis(0)},      // none to spare
        {Millis(0), Millis(50000), Millis(60000), Millis(0)},        // --settle=0
    };
    for (const auto& row : cases) {
        EXPECT_EQ(settleBudget(row.asked, row.timeLeft, row.timeout), row.budget)
            << row.asked.count() << " asked, " << row.timeLeft.count() << " left";
    }
}

}  // namespace
}  // namespace orlenda::iecapt
