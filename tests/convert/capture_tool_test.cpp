// The real capture tool, with the real Chromium, started and judged by the
// real runner and process service: the reasons a run shows are the tool's.
// The tool gets a short --timeout of the test's own; the program never
// passes one.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stdlib.h>

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

using ::testing::HasSubstr;
using ::testing::StartsWith;

struct Capture {
    std::string path;  // on the test server; 127.0.0.2 refuses every connection
    std::string host = "127.0.0.1";
    bool saved = false;
    std::vector<std::string> reasonHas = {};
};

TEST(CaptureTool, ARunShowsTheToolsOwnReasons) {
    iecapt::testing::TestFolder folder;
    iecapt::testing::TestFolder home;
    ::setenv("HOME", home.path().c_str(), 1);  // the browser's, out of everyone's way
    iecapt::testing::TestHttpServer server;
    server.serve("/page.html", {.body = "<html><body><h1>Saved</h1></body></html>"});
    server.serve("/never", {.neverAnswers = true});
    const std::string port = std::to_string(server.port());

    const Capture captures[] = {
        {"/page.html", "127.0.0.1", true},
        {"/",
         "127.0.0.2",
         false,
         {"the page could not be loaded (could not load http://127.0.0.2:" + port + "/: ",
          "net::ERR_CONNECTION_REFUSED)"}},
        {"/never",
         "127.0.0.1",
         false,
         {"the capture took too long (timed out) (no capture of ", " within 4 s: "}},
    };
    platform::PosixProcesses processes;
    platform::PosixFileSystem files;
    testing::FakeEvents events;
    testing::FakeSleeper sleeper;
    sleeper.onSleep = [] { std::this_thread::sleep_for(std::chrono::milliseconds(100)); };
    for (const Capture& capture : captures) {
        const std::string address = "http://" + capture.host + ":" + port + capture.path;
        const std::string out = folder / "shot.jpg";
        // An image of an earlier run is there: only a new one counts.
        std::ofstream(out) << "earlier image";
        const auto before = files.fileStamp(out);
        const ToolEnd end =
            RunToolAndWait({processes, events, sleeper},
                           BuildCaptureCommandLine(IECAPT_BINARY, address, out) + " --timeout=4",
                           platform::kWindowHidden, nullptr, "", 0, 1);
        const CaptureOutcome outcome =
            JudgeCapture(end, IECAPT_BINARY, before, files.fileStamp(out));

        EXPECT_EQ(outcome.saved, capture.saved) << address << ": " << outcome.reason;
        for (const std::string& part : capture.reasonHas) {
            EXPECT_THAT(outcome.reason, HasSubstr(part)) << address;
        }
        if (capture.saved) {
            EXPECT_THAT(iecapt::testing::fileText(out), StartsWith("\xFF\xD8"));  // a JPEG
        }
    }
}

}  // namespace
}  // namespace orlenda
