// A look's answer comes from the page: whatever it holds, the facts are
// sound, unknown holds nothing back, and text is short and on one line.

#include "page/settle_facts.h"

#include <gtest/gtest.h>

namespace orlenda::iecapt {
namespace {

using nlohmann::json;
using std::chrono::milliseconds;

constexpr milliseconds kNow{1000};

TEST(SettleFactsTest, WhatThePageAnswersNeverBreaksTheLookAndUnknownHoldsNothing) {
    const std::string lie(5000, 'x');
    const json answers[] = {
        json(),
        json("a string"),
        json::array({1, 2}),
        {{"world", "yes"}, {"domQuietMs", nullptr}, {"framesQuietMs", "soon"}},
        {{"world", true}, {"domQuietMs", 1e308}, {"framesQuietMs", -1e308}, {"lateness", -5}},
        {{"timers", {nullptr, "x", json::object(), {{"inMs", "now"}}, {{"inMs", 1e300}}}}},
        {{"timers", "many"}, {"untrackedTimers", -3}, {"workersAwaited", "two"}},
        {{"animating", -1}, {"consent", {{"lifecycle", 7}, {"name", lie + "\nnote: closed"}}}},
        {{"leftFor", json::object()}, {"consent", "done"}, {"height", nullptr}},
        {{"videosLoading", "all"},
         {"idleCallbacks", -2},
         {"shown", 3},
         {"timers", {{{"inMs", 1e300}, {"everyMs", -5}, {"interval", "yes"}}}}},
    };
    for (const json& answer : answers) {
        const PageLook look = readPageLook(answer, kNow);
        SettleFacts facts = look.facts;
        facts.budgetEnd = milliseconds(3000);
        facts.lastNetworkActivity = milliseconds(-5000);
        EXPECT_EQ(decideSettle(facts).verdict, SettleAnswer::Verdict::Settled) << answer;
        EXPECT_LE(look.consentName.size(), 64u) << answer;
        EXPECT_EQ(look.consentName.find('\n'), std::string::npos) << answer;
        EXPECT_FALSE(shouldScrollThrough(look.lazy)) << answer;
    }
}

TEST(SettleFactsTest, ASoundAnswerReadsAsTheFactsItTells) {
    const json answer = {
        {"world", true},
        {"domQuietMs", 40},
        {"framesQuietMs", 1e9},
        {"timers",
         {{{"inMs", 200}, {"rearms", 1}},
          {{"inMs", 50}, {"everyMs", 100}, {"interval", true}, {"changedSinceRun", false}}}},
        {"idleCallbacks", 2},
        {"videosLoading", 1},
        {"untrackedTimers", 15000},
        {"untrackedDueInMs", 900},
        {"workersAwaited", 1},
        {"lateness", 120.4},
        {"consent", {{"lifecycle", "done"}, {"looks", 1}, {"name", "Onetrust"}}},
        {"leftFor", "http://elsewhere.test/"},
    };
    const PageLook look = readPageLook(answer, kNow);
    EXPECT_TRUE(look.toolWorld);
    EXPECT_EQ(look.facts.lastDocumentChange, milliseconds(960));
    ASSERT_EQ(look.facts.timers.size(), 4u);
    EXPECT_EQ(look.facts.timers[0].due, milliseconds(1200));
    EXPECT_EQ(look.facts.timers[0].rearms, 1);
    EXPECT_TRUE(look.facts.timers[0].changedSinceRun);  // unknown: waited for
    EXPECT_TRUE(look.facts.timers[1].interval);
    EXPECT_EQ(look.facts.timers[1].every, milliseconds(100));
    EXPECT_FALSE(look.facts.timers[1].changedSinceRun);
    EXPECT_EQ(look.facts.timers[2].due, milliseconds(1900));  // the last of the rest
    EXPECT_EQ(look.facts.timers[3].due, kNow);                // an idle callback
    EXPECT_EQ(look.facts.videosLoading, 1);
    EXPECT_EQ(look.facts.workersAwaited, 1);
    EXPECT_EQ(look.facts.lateness, milliseconds(120));
    EXPECT_EQ(look.facts.consent, ConsentCheck::Closed);
    EXPECT_EQ(look.consentName, "Onetrust");
    EXPECT_EQ(look.leftFor, "http://elsewhere.test/");
}

TEST(SettleFactsTest, WhatMovesInAFrameThePictureShowsHoldsThePage) {
    const json still = {{"world", true}, {"domQuietMs", 5000}, {"framesQuietMs", 5000}};
    json busy = still;
    busy.update({{"domQuietMs", 10}, {"timers", {{{"inMs", 300}}}}, {"workersAwaited", 1}});
    json hidden = busy;
    hidden["shown"] = false;
    const struct {
        const char* name;
        json frame;
        SettleAnswer::Verdict verdict;
    } cases[] = {
        {"a still frame", still, SettleAnswer::Verdict::Settled},
        {"a busy frame", busy, SettleAnswer::Verdict::LookAgain},
        {"a busy frame hidden or of one pixel", hidden, SettleAnswer::Verdict::Settled},
        {"a frame whose world did not answer", json::object(), SettleAnswer::Verdict::Settled},
    };
    for (const auto& row : cases) {
        SettleFacts page = readPageLook(still, kNow).facts;
        page.budgetEnd = milliseconds(3000);
        page.lastNetworkActivity = milliseconds(-5000);
        addFrameLook(page, readPageLook(row.frame, kNow));
        EXPECT_EQ(decideSettle(page).verdict, row.verdict) << row.name;
    }
}

TEST(SettleFactsTest, ThePictureCheckIsReadAsUntrusted) {
    const struct {
        json answer;
        std::optional<double> width;
        std::vector<std::string> frames;
    } cases[] = {
        {{{"width", 1698}, {"blankFrames", {"a.example", "b.example"}}},
         1698,
         {"a.example", "b.example"}},
        {{{"width", -1}, {"blankFrames", {1, nullptr, "a"}}}, {}, {"a"}},
        {{{"width", "wide"}, {"blankFrames", "all"}}, {}, {}},
        {json("nothing"), {}, {}},
    };
    for (const auto& row : cases) {
        const PictureCheck check = readPictureCheck(row.answer);
        EXPECT_EQ(check.paintedWidth, row.width) << row.answer;
        EXPECT_EQ(check.blankFrames, row.frames) << row.answer;
    }
    // However many and however long, what is kept is short and on one line.
    const PictureCheck many = readPictureCheck(
        {{"blankFrames", std::vector<std::string>(1000, std::string(5000, 'x') + "\nnote: ok")}});
    EXPECT_LT(many.blankFrames.size(), 100u);
    for (const std::string& host : many.blankFrames) {
        EXPECT_LE(host.size(), 64u);
        EXPECT_EQ(host.find('\n'), std::string::npos);
    }
}

TEST(SettleFactsTest, TheLastLookAtABannerIsKnownOnlyFromTwoAnswers) {
    const std::pair<json, BannerSight> cases[] = {
        {{{"shown", false}, {"hidden", false}}, BannerSight::Gone},
        {{{"shown", true}, {"hidden", false}}, BannerSight::Shown},
        {{{"shown", false}, {"hidden", true}}, BannerSight::Hidden},
        {{{"shown", true}}, BannerSight::Unknown},
        {{{"shown", "yes"}, {"hidden", 0}}, BannerSight::Unknown},
        {json::object(), BannerSight::Unknown},
    };
    for (const auto& [answer, sight] : cases) EXPECT_EQ(bannerSightOf(answer), sight) << answer;
}

}  // namespace
}  // namespace orlenda::iecapt
