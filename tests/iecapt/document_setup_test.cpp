// How each document target of the page is set up: the page's own and its
// frames' of other sites, from the capture's options.

#include "page/document_setup.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace orlenda::iecapt {
namespace {

bool sends(const std::vector<SetupCommand>& commands, const std::string& method) {
    return std::ranges::any_of(commands,
                               [&](const auto& command) { return command.method == method; });
}

TEST(DocumentSetupTest, FramesAreSetUpAsThePageIsAndLetGoOnOnlyOnceWatched) {
    const DocumentSetup plain = {.activityWatch = "watch", .width = 1024, .height = 768};
    DocumentSetup asked = plain;
    asked.userAgent = "Agent";
    asked.cpuSlowdown = 4;
    asked.ignoreCertificateErrors = true;
    const struct {
        const char* name;
        const DocumentSetup& setup;
        bool frame;
    } cases[] = {
        {"the page", plain, false},
        {"the page, as asked", asked, false},
        {"a frame", plain, true},
        {"a frame, as asked", asked, true},
    };
    for (const auto& row : cases) {
        const std::vector<SetupCommand> commands = documentSetup(row.setup, row.frame);
        const auto watch = std::ranges::find(commands, "Page.addScriptToEvaluateOnNewDocument",
                                             &SetupCommand::method);
        ASSERT_NE(watch, commands.end()) << row.name;
        EXPECT_EQ(watch->params.at("source"), "watch") << row.name;
        // A frame runs no script of its own before the watch is in place.
        EXPECT_EQ(commands.back().method == "Runtime.runIfWaitingForDebugger", row.frame)
            << row.name;
        EXPECT_EQ(sends(commands, "Emulation.setDeviceMetricsOverride"), !row.frame) << row.name;
        const bool options = &row.setup == &asked;
        for (const char* method :
             {"Emulation.setUserAgentOverride", "Emulation.setCPUThrottlingRate",
              "Security.setIgnoreCertificateErrors"}) {
            EXPECT_EQ(sends(commands, method), options) << row.name << " " << method;
        }
        const auto attach =
            std::ranges::find(commands, "Target.setAutoAttach", &SetupCommand::method);
        ASSERT_NE(attach, commands.end()) << row.name;
        EXPECT_EQ(attach->params.at("waitForDebuggerOnStart"), true) << row.name;
    }
}

}  // namespace
}  // namespace orlenda::iecapt
