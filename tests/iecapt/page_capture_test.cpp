// What the capture makes of the windows the browser reports, and the channel its
// watch answers over.

#include "page/page_capture.h"

#include <gtest/gtest.h>

#include "page/page_scripts.h"

namespace orlenda::iecapt {
namespace {

TEST(OtherWindowTest, OnlyPagesOfTheCapturesOwnContextBesidesItsOwn) {
    const auto target = [](const char* type, const char* context, const char* id) {
        return nlohmann::json{{"type", type}, {"browserContextId", context}, {"targetId", id}};
    };
    EXPECT_TRUE(isOtherWindow(target("page", "C", "P"), "C", "T"));
    EXPECT_FALSE(isOtherWindow(target("page", "C", "T"), "C", "T")) << "the captured page";
    EXPECT_FALSE(isOtherWindow(target("page", "D", "P"), "C", "T")) << "another capture's";
    EXPECT_FALSE(isOtherWindow(target("service_worker", "C", "W"), "C", "T"));
    EXPECT_FALSE(isOtherWindow(nlohmann::json::object(), "C", "T"));
}

TEST(ActivityChannelTest, NoTwoCapturesShareTheirWatchsChannel) {
    EXPECT_NE(activityWatchScript(newActivityChannel()), activityWatchScript(newActivityChannel()));
}

}  // namespace
}  // namespace orlenda::iecapt
