// The real capture tool and Chromium, started and judged by the real runner
// and process service: the reasons a run shows are the tool's own words. The
// test gives the tool a short --timeout; the program never passes one.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "convert/capture_runner.h"
#include "convert/command_line.h"
#include "fakes/fake_controls.h"
#include "fakes/fake_processes.h"
#include "platform/posix/posix_file_system.h"
#include "platform/posix/posix_processes.h"
#include "test_http_server.h"
#include "test_support.h"

namespace orlenda {
namespace {

TEST(CaptureTool, ARunShowsTheToolsOwnReasonsAndWarnings) {
    iecapt::testing::TestFolder folder;
    iecapt::testing::TestHttpServer server;
    server.serve("/page.html", {.body = "<html><body><h1>Saved</h1></body></html>"});
    server.serve("/missing.html",
                 {.status = 404, .body = "<html><body><h1>Not here</h1></body></html>"});
    server.serve("/never", {.neverAnswers = true});
    const std::string port = std::to_string(server.port());
    // 127.0.0.2 refuses every connection: the server listens on 127.0.0.1.
    const std::tuple<std::string, std::string, std::vector<std::string>> captures[] = {
        {"127.0.0.1:" + port + "/page.html", "", {}},
        {"127.0.0.1:" + port + "/missing.html", "", {"the server answered 404 Not Found"}},
        {"127.0.0.2:" + port + "/",
         "the server refused the connection (net::ERR_CONNECTION_REFUSED)",
         {}},
        {"127.0.0.1:" + port + "/never", "timed out after 4 s while loading the page", {}},
    };
    platform::PosixProcesses processes;
    platform::PosixFileSystem files;
    testing::FakeEvents events;
    testing::FakeSleeper sleeper;
    sleeper.onSleep = [] { std::this_thread::sleep_for(std::chrono::milliseconds(100)); };
    const std::string out = folder / "shot.jpg";
    for (const auto& [address, reason, warnings] : captures) {
        std::ofstream(out) << "an image of an earlier run";  // only a new one counts
        const auto before = files.fileStamp(out);
        const ToolEnd end = RunToolAndWait(
            {processes, events, sleeper},
            BuildCaptureCommandLine(IECAPT_BINARY, "http://" + address, out) + " --timeout=4",
            platform::kWindowHidden, nullptr, "", 0, 1);
        const CaptureOutcome outcome = JudgeCapture(end, "", before, files.fileStamp(out));
        EXPECT_EQ(outcome.saved, reason.empty()) << address;
        EXPECT_EQ(outcome.reason, reason) << address;
        EXPECT_EQ(outcome.warnings, warnings) << address;
    }
}

}  // namespace
}  // namespace orlenda
