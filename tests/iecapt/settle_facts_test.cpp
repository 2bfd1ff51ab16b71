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
    EXPECT_EQ(std::tuple(look.facts.timers[1].interval, look.facts.timers[1].every,
                         look.facts.timers[1].changedSinceRun),
              std::tuple(true, milliseconds(100), false));
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
    hidden["shown"] = false;  // or of one pixel
    for (const auto& [frame, verdict] : {std::pair{still, SettleAnswer::Verdict::Settled},
                                         {busy, SettleAnswer::Verdict::LookAgain},
                                         {hidden, SettleAnswer::Verdict::Settled}}) {
        SettleFacts page = readPageLook(still, kNow).facts;
        page.budgetEnd = milliseconds(3000);
        page.lastNetworkActivity = milliseconds(-5000);
        addFrameLook(page, readPageLook(frame, kNow));
        EXPECT_EQ(decideSettle(page).verdict, verdict) << frame;
    }
}

TEST(SettleFactsTest, ThePictureCheckIsReadAsUntrusted) {
    const struct {
        json answer;
        std::optional<double> width;
        std::vector<std::string> frames;
    } cases[] = {
        {{{"width", 1698}, {"blankFrames", {"a.example", 1, nullptr}}}, 1698, {"a.example"}},
        {{{"width", -1}, {"blankFrames", "all"}}, {}, {}},
        {json("nothing"), {}, {}},
    };
    for (const auto& row : cases) {
        const PictureCheck check = readPictureCheck(row.answer);
        EXPECT_EQ(check.paintedWidth, row.width) << row.answer;
        EXPECT_EQ(check.blankFrames, row.frames) << row.answer;
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
