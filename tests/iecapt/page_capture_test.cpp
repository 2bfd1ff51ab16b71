// What the capture makes of the windows the browser reports, and the channel its
// watch answers over.

#include "page/page_capture.h"

#include <gtest/gtest.h>

#include "page/page_scripts.h"

namespace orlenda::iecapt {
namespace {

TEST(OtherWindowTest, OnlyPagesOfTheCapturesOwnContextBesidesItsOwn) {
    // Target.targetCreated's targetInfo as the browser reported it, for a
    // capture of context C whose page is T.
    const struct {
        const char* targetInfo;
        bool closed;
    } cases[] = {
        {R"({"targetId":"P","type":"page","title":"","url":"http://127.0.0.1/popup.html",
             "attached":false,"openerId":"T","canAccessOpener":false,"browserContextId":"C"})",
         true},
        {R"({"targetId":"T","type":"page","title":"","url":"about:blank","attached":true,
             "canAccessOpener":false,"browserContextId":"C"})",
         false},
        {R"({"targetId":"P","type":"page","title":"","url":"http://example.com/",
             "attached":false,"canAccessOpener":false,"browserContextId":"D"})",
         false},
        {R"({"targetId":"W","type":"service_worker","title":"","url":"http://127.0.0.1/sw.js",
             "attached":false,"canAccessOpener":false,"browserContextId":"C"})",
         false},
        {R"({"targetId":"F","type":"iframe","title":"","url":"http://ads.example/",
             "attached":true,"canAccessOpener":false,"browserContextId":"C"})",
         false},
        {R"({"targetId":"P","type":"page","url":"about:blank"})", false},
        {R"({})", false},
    };
    for (const auto& [targetInfo, closed] : cases) {
        EXPECT_EQ(isOtherWindow(nlohmann::json::parse(targetInfo), "C", "T"), closed) << targetInfo;
    }
}

TEST(ActivityChannelTest, NoTwoCapturesShareTheirWatchsChannel) {
    EXPECT_NE(activityWatchScript(newActivityChannel()), activityWatchScript(newActivityChannel()));
}

}  // namespace
}  // namespace orlenda::iecapt
