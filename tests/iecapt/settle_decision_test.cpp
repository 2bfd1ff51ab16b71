// The settle decision from plain facts: what holds a page back, until when,
// and what is given up on.

#include "page/settle_decision.h"

#include <gtest/gtest.h>

namespace orlenda::iecapt {
namespace {

using std::chrono::milliseconds;
using Verdict = SettleAnswer::Verdict;

// A page that has been still for a long time, 1 s into a 3 s budget.
SettleFacts stillPage() {
    return {.now = milliseconds(1000),
            .budgetEnd = milliseconds(3000),
            .lastNetworkActivity = milliseconds(-5000),
            .lastDocumentChange = milliseconds(-5000),
            .lastFrameAsked = milliseconds(-5000),
            .timers = {},
            .consent = {}};
}

template <typename Change>
SettleFacts stillPageWith(Change change) {
    SettleFacts facts = stillPage();
    change(facts);
    return facts;
}

TEST(SettleDecisionTest, EachKindOfActivityHoldsThePageUntilItsTime) {
    const SettleLimits limits;
    const struct {
        const char* name;
        SettleFacts facts;
        Verdict verdict;
        milliseconds lookAgainAt;  // with LookAgain
        std::vector<Motion> moving;
    } cases[] = {
        {"a still page", stillPage(), Verdict::Settled, {}, {}},
        {"requests in flight keep the page unsettled",
         stillPageWith([](SettleFacts& f) { f.requestsInFlight = true; }),
         Verdict::LookAgain,
         milliseconds(1000) + limits.lookInterval,
         {Motion::Network}},
        {"a response just now",
         stillPageWith([](SettleFacts& f) { f.lastNetworkActivity = milliseconds(990); }),
         Verdict::LookAgain,
         milliseconds(990) + limits.networkQuiet,
         {Motion::Network}},
        {"a change to the document",
         stillPageWith([](SettleFacts& f) { f.lastDocumentChange = milliseconds(980); }),
         Verdict::LookAgain,
         milliseconds(980) + limits.documentQuiet,
         {Motion::Document}},
        {"a frame asked for",
         stillPageWith([](SettleFacts& f) { f.lastFrameAsked = milliseconds(999); }),
         Verdict::LookAgain,
         milliseconds(999) + limits.framesQuiet,
         {Motion::AnimationFrames}},
        {"an animation on its way to its end",
         stillPageWith([](SettleFacts& f) { f.animationsRunning = 1; }),
         Verdict::LookAgain,
         milliseconds(1000) + limits.lookInterval,
         {Motion::Animations}},
        {"a one-shot timer due within the budget",
         stillPageWith([](SettleFacts& f) { f.timers = {{.due = milliseconds(1800)}}; }),
         Verdict::LookAgain,
         milliseconds(1800),
         {Motion::Timers}},
        {"an overdue timer: the page is busy",
         stillPageWith([](SettleFacts& f) { f.timers = {{.due = milliseconds(900)}}; }),
         Verdict::LookAgain,
         milliseconds(1000) + limits.lookInterval,
         {Motion::Timers}},
        {"a repeating timer does not hold the page",
         stillPageWith(
             [](SettleFacts& f) { f.timers = {{.due = milliseconds(1200), .repeating = true}}; }),
         Verdict::Settled,
         {},
         {}},
        {"a timer due after the budget does not",
         stillPageWith([](SettleFacts& f) { f.timers = {{.due = milliseconds(60000)}}; }),
         Verdict::Settled,
         {},
         {}},
        {"the latest of several wins",
         stillPageWith([](SettleFacts& f) {
             f.timers = {{.due = milliseconds(1100)}, {.due = milliseconds(2500)}};
             f.lastDocumentChange = milliseconds(990);
         }),
         Verdict::LookAgain,
         milliseconds(2500),
         {Motion::Document, Motion::Timers}},
        {"never a look after the budget",
         stillPageWith([](SettleFacts& f) {
             f.lastDocumentChange = milliseconds(2990);
             f.now = milliseconds(2995);
         }),
         Verdict::LookAgain,
         milliseconds(3000),
         {Motion::Document}},
    };
    for (const auto& row : cases) {
        const SettleAnswer answer = decideSettle(row.facts, limits);
        EXPECT_EQ(answer.verdict, row.verdict) << row.name;
        EXPECT_EQ(answer.moving, row.moving) << row.name;
        if (row.verdict == Verdict::LookAgain) {
            EXPECT_EQ(answer.lookAgainAt, row.lookAgainAt) << row.name;
        }
    }
}

TEST(SettleDecisionTest, WhatNeverStopsIsGivenUpOnWithItsReason) {
    const SettleLimits limits;
    const auto atBudgetEnd = [](SettleFacts& f) { f.now = f.budgetEnd; };
    const struct {
        const char* name;
        SettleFacts facts;
        Verdict verdict;
        std::vector<Motion> moving;
    } cases[] = {
        {"frames asked for up to the end of the budget",
         stillPageWith([&](SettleFacts& f) {
             atBudgetEnd(f);
             f.lastFrameAsked = f.now;
             f.requestsInFlight = true;
         }),
         Verdict::GiveUp,
         {Motion::Network, Motion::AnimationFrames}},
        {"a chain that keeps setting itself again, at once",
         stillPageWith([&](SettleFacts& f) {
             f.timers = {{.due = milliseconds(1100), .rearms = limits.endlessRearms}};
         }),
         Verdict::GiveUp,
         {Motion::EndlessTimers}},
        {"a chain still short of that is waited for",
         stillPageWith([&](SettleFacts& f) {
             f.timers = {{.due = milliseconds(1100), .rearms = limits.endlessRearms - 1}};
         }),
         Verdict::LookAgain,
         {Motion::Timers}},
        {"an endless chain waits for what else still moves",
         stillPageWith([&](SettleFacts& f) {
             f.timers = {{.due = milliseconds(1100), .rearms = limits.endlessRearms}};
             f.requestsInFlight = true;
         }),
         Verdict::LookAgain,
         {Motion::Network}},
    };
    for (const auto& row : cases) {
        const SettleAnswer answer = decideSettle(row.facts, limits);
        EXPECT_EQ(answer.verdict, row.verdict) << row.name;
        EXPECT_EQ(answer.moving, row.moving) << row.name;
    }
}

TEST(SettleDecisionTest, TheConsentCheckWaitsOnlyForWhatItFound) {
    const SettleLimits limits;
    const milliseconds withinWait = limits.consentWait / 2;
    const milliseconds pastWait = limits.consentWait + milliseconds(1);
    const struct {
        const char* name;
        ConsentCheck state;
        milliseconds now;
        Verdict verdict;
    } cases[] = {
        {"off", ConsentCheck::Off, withinWait, Verdict::Settled},
        {"not looked yet", ConsentCheck::Looking, withinWait, Verdict::LookAgain},
        {"not looked yet, for too long", ConsentCheck::Looking, pastWait, Verdict::Settled},
        {"cookies spoken of", ConsentCheck::Hinted, withinWait, Verdict::LookAgain},
        {"a platform without a banner yet", ConsentCheck::PlatformFound, withinWait,
         Verdict::LookAgain},
        {"a platform that never showed one", ConsentCheck::PlatformFound, pastWait,
         Verdict::Settled},
        {"a banner being answered", ConsentCheck::BannerOpen, withinWait, Verdict::LookAgain},
        {"a banner that stays", ConsentCheck::BannerOpen, pastWait, Verdict::GiveUp},
        {"a banner the rules failed on", ConsentCheck::NotClosed, withinWait, Verdict::GiveUp},
        {"closed", ConsentCheck::Closed, withinWait, Verdict::Settled},
        {"nothing found", ConsentCheck::NothingFound, withinWait, Verdict::Settled},
    };
    for (const auto& row : cases) {
        SettleFacts facts = stillPage();
        facts.budgetEnd = limits.consentWait * 2;
        facts.now = row.now;
        facts.consent = {.state = row.state, .since = milliseconds(0)};
        const SettleAnswer answer = decideSettle(facts, limits);
        EXPECT_EQ(answer.verdict, row.verdict) << row.name;
        if (answer.verdict != Verdict::Settled) {
            EXPECT_EQ(answer.moving, std::vector<Motion>{Motion::ConsentBanner}) << row.name;
        }
    }
}

TEST(SettleDecisionTest, ALookingConsentCheckIsNotABannerWhenTheBudgetEnds) {
    SettleFacts facts = stillPage();
    facts.now = facts.budgetEnd;
    facts.consent = {.state = ConsentCheck::Looking, .since = facts.now};
    EXPECT_EQ(decideSettle(facts).verdict, Verdict::Settled);
}

TEST(SettleDecisionTest, TheConsentRulesReportReadsAsAState) {
    const struct {
        ConsentReport report;
        ConsentCheck state;
    } cases[] = {
        {{"", 5, true, false}, ConsentCheck::Off},
        {{"initialized", 0, false, false}, ConsentCheck::Looking},
        {{"started", 1, false, false}, ConsentCheck::NothingFound},
        {{"started", 1, false, true}, ConsentCheck::Looking},
        {{"started", 1, true, false}, ConsentCheck::Hinted},
        {{"started", 2, true, true}, ConsentCheck::Looking},
        {{"started", 2, true, false}, ConsentCheck::NothingFound},
        {{"nothingDetected", 20, true, false}, ConsentCheck::NothingFound},
        {{"cmpDetected", 1, false, false}, ConsentCheck::PlatformFound},
        {{"openPopupDetected", 1, false, false}, ConsentCheck::BannerOpen},
        {{"runningOptOut", 1, false, true}, ConsentCheck::BannerOpen},
        {{"optOutSucceeded", 1, false, false}, ConsentCheck::BannerOpen},
        {{"optOutFailed", 1, false, false}, ConsentCheck::NotClosed},
        {{"done", 1, false, true}, ConsentCheck::Closed},
    };
    for (const auto& row : cases) {
        EXPECT_EQ(consentCheckOf(row.report), row.state)
            << row.report.lifecycle << " after " << row.report.looks << " looks";
    }
}

TEST(SettleDecisionTest, OnlyPagesThatLoadOnScrollingAreScrolledThrough) {
    const LazyContentFacts tall = {.pageHeight = 40000, .viewportHeight = 768};
    const struct {
        const char* name;
        LazyContentFacts facts;
        bool scroll;
    } cases[] = {
        {"a plain long document", tall, false},
        {"lazy images", {.pageHeight = 40000, .viewportHeight = 768, .lazyElements = 3}, true},
        {"an observer", {.pageHeight = 40000, .viewportHeight = 768, .observedElements = 1}, true},
        {"a script that follows the scrolling",
         {.pageHeight = 40000, .viewportHeight = 768, .scrollListeners = 1},
         true},
        {"lazy images on a page that fits",
         {.pageHeight = 768, .viewportHeight = 768, .lazyElements = 3},
         false},
        {"only the viewport is captured",
         {.fullPage = false, .pageHeight = 40000, .viewportHeight = 768, .lazyElements = 3},
         false},
    };
    for (const auto& row : cases) {
        EXPECT_EQ(shouldScrollThrough(row.facts), row.scroll) << row.name;
    }
}

}  // namespace
}  // namespace orlenda::iecapt
