// The capture host with the real browser: captures that follow one another,
// or run at once, share its browser and nothing else; and whatever is wrong
// with the host, a capture comes out as it would without one, and says
// nothing of it.

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>

#include <optional>
#include <thread>

#include "capture_pages.h"
#include "protocol/host_hello.h"
#include "test_http_server.h"
#include "test_support.h"
#include "tool_process.h"

namespace orlenda::iecapt::testing {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

int listeningSocket(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    path.copy(address.sun_path, sizeof address.sun_path - 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        throw std::runtime_error("cannot bind " + path);
    }
    return fd;
}

// Listens where the host would and answers each hello as told: with the
// given answer, or, when there is none, never.
class FakeHost {
public:
    FakeHost(const std::string& path, std::string answer) : m_listener(listeningSocket(path)) {
        ::listen(m_listener, 8);
        m_thread = std::jthread([this, answer](std::stop_token stop) {
            while (!stop.stop_requested()) {
                pollfd waiting = {m_listener, POLLIN, 0};
                if (::poll(&waiting, 1, 50) <= 0) continue;
                const int connection = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
                m_connections.push_back(connection);
                char hello[65536];
                if (::read(connection, hello, sizeof hello) > 0 && !answer.empty()) {
                    ::write(connection, answer.c_str(), answer.size() + 1);  // with its NUL
                }
            }
        });
    }
    ~FakeHost() {
        m_thread = {};
        for (const int connection : m_connections) ::close(connection);
        ::close(m_listener);
    }
    FakeHost(const FakeHost&) = delete;
    FakeHost& operator=(const FakeHost&) = delete;

private:
    int m_listener;
    std::vector<int> m_connections;
    std::jthread m_thread;
};

struct Ended {
    int status;
    std::string said;  // on standard error
};

class CaptureHostTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const std::string& folder :
             {tempFolder(), outFolder(), homeFolder(), runtimeFolder()}) {
            fs::create_directory(folder);
        }
        fs::permissions(runtimeFolder(), fs::perms::owner_all);
        serveCapturePages(m_server);
    }

    void TearDown() override {
        for (const pid_t host : hosts()) ::kill(host, SIGTERM);
        EXPECT_TRUE(eventually([&] { return processesWithMarker(m_marker).empty(); }, 20s))
            << "a host or its browser outlived the test";
        EXPECT_EQ(namesIn(tempFolder()), std::vector<std::string>{})
            << "the host left a temporary folder";
    }

    std::string tempFolder() const { return m_root / "tmp"; }
    std::string outFolder() const { return m_root / "out"; }
    std::string homeFolder() const { return m_root / "home"; }
    std::string runtimeFolder() const { return m_root / "run"; }
    // Where the tool says the host listens.
    std::string socketPath() const { return runtimeFolder() + "/iecapt-host.socket"; }

    // Starts a capture of the test page into out/NAME, saying its timings,
    // with a host that waits for the next capture as long as a test runs.
    pid_t start(const std::string& page, const std::string& name) {
        return startTool(
            IECAPT_BINARY,
            {"--url=127.0.0.1:" + std::to_string(m_server.port()) + "/" + page, "--out=" + name,
             "--timeout=90", "--timings"},
            {"TMPDIR=" + tempFolder(), "HOME=" + homeFolder(), "XDG_RUNTIME_DIR=" + runtimeFolder(),
             "IECAPT_HOST_IDLE=600", "IECAPT_NO_HOST=0", "IECAPT_TEST_MARKER=" + m_marker},
            outFolder(), errorPath(name));
    }

    Ended finish(pid_t tool, const std::string& name) {
        const int status = waitForTool(tool, 120s);
        return {status, fileText(errorPath(name))};
    }

    Ended capture(const std::string& page, const std::string& name) {
        return finish(start(page, name), name);
    }

    // What the picture lacks of the blocks given; empty when it shows them all.
    std::string missing(const std::string& name, const std::vector<Block>& blocks) const {
        const QImage image = readPicture(outFolder() + "/" + name).image;
        if (image.isNull()) return "no picture";
        std::string lacks;
        for (const Block& block : blocks) lacks += blockMissing(image, block);
        return lacks;
    }

    // The hosts running for this test.
    std::vector<pid_t> hosts() const {
        std::vector<pid_t> found;
        for (const pid_t process : processesWithMarker(m_marker)) {
            const std::string line = fileText("/proc/" + std::to_string(process) + "/cmdline");
            if (line.find(std::string("\0--capture-host\0", 16)) != std::string::npos) {
                found.push_back(process);
            }
        }
        return found;
    }

    std::string errorPath(const std::string& name) const { return m_root / (name + ".err"); }

    TestHttpServer m_server;
    TestFolder m_root;
    const std::string m_marker = fs::path(m_root.path()).filename();
};

// The captures that went through a host: one of the tool's own browser has
// a shutdown phase.
bool servedByAHost(const Ended& run) {
    return run.said.find("timings: host ") != std::string::npos &&
           run.said.find(", shutdown ") == std::string::npos;
}

TEST_F(CaptureHostTest, TheFirstCaptureStartsAHostThatTheNextUsesAndNeitherSeesTheOthersVisit) {
    for (const std::string name : {"first.jpg", "second.jpg"}) {
        const Ended run = capture("pages/first-visit.html", name);
        EXPECT_EQ(run.status, 0) << run.said;
        EXPECT_TRUE(servedByAHost(run)) << run.said;
        EXPECT_EQ(missing(name, {kDrawnByScript}), "") << name;
    }
    EXPECT_EQ(hosts().size(), 1U);
    EXPECT_EQ(fs::status(socketPath()).permissions(),
              fs::perms::owner_read | fs::perms::owner_write);
}

TEST_F(CaptureHostTest, TwoCapturesAtOnceStartOneHostAndEachIsAFirstVisit) {
    const std::vector<std::string> names = {"one.jpg", "two.jpg"};
    std::vector<pid_t> tools;
    for (const std::string& name : names) tools.push_back(start("pages/first-visit.html", name));
    for (std::size_t i = 0; i < names.size(); ++i) {
        const Ended run = finish(tools[i], names[i]);
        EXPECT_EQ(run.status, 0) << run.said;
        EXPECT_TRUE(servedByAHost(run)) << run.said;
        EXPECT_EQ(missing(names[i], {kDrawnByScript}), "") << names[i];
    }
    EXPECT_EQ(hosts().size(), 1U);
}

enum class Trouble { StaleSocket, HostOfAnotherBuild, SilentHost, BrowserKilled };

struct Troubled {
    const char* name;
    Trouble trouble;
    bool servedByAHost;  // a new one; else the capture's own browser
};

void PrintTo(const Troubled& row, std::ostream* out) { *out << row.name; }

class TroubledHostTest : public CaptureHostTest, public ::testing::WithParamInterface<Troubled> {};

TEST_P(TroubledHostTest, TheCaptureComesOutAsWithoutAHostAndSaysNothingOfIt) {
    std::optional<FakeHost> fake;
    switch (GetParam().trouble) {
        case Trouble::StaleSocket:
            ::close(listeningSocket(socketPath()));  // left by a host that was killed
            break;
        case Trouble::HostOfAnotherBuild:
            fake.emplace(socketPath(), answerText({"another build", "", {}}, HostAnswer::Serving));
            break;
        case Trouble::SilentHost:
            fake.emplace(socketPath(), "");
            break;
        case Trouble::BrowserKilled: {
            ASSERT_EQ(capture("blocks.html", "before.jpg").status, 0);
            const std::vector<pid_t> host = hosts();
            ASSERT_EQ(host.size(), 1U);
            const std::string id = std::to_string(host.front());
            const pid_t browser = std::stoi(fileText("/proc/" + id + "/task/" + id + "/children"));
            ASSERT_EQ(::kill(-browser, SIGKILL), 0);  // its whole process group
            ASSERT_TRUE(eventually([&] { return hosts().empty(); }, 10s))
                << "the host outlived its browser";
            break;
        }
    }
    const Ended run = capture("blocks.html", "shot.jpg");
    EXPECT_EQ(run.status, 0) << run.said;
    EXPECT_EQ(std::ranges::count(run.said, '\n'), 1) << "more than the timings: " << run.said;
    EXPECT_EQ(servedByAHost(run), GetParam().servedByAHost) << run.said;
    EXPECT_EQ(missing("shot.jpg", {kBlocks.begin(), kBlocks.end()}), "");
    EXPECT_EQ(hosts().size(), GetParam().servedByAHost ? 1U : 0U);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TroubledHostTest,
    ::testing::Values(Troubled{"StaleSocket", Trouble::StaleSocket, true},
                      Troubled{"HostOfAnotherBuild", Trouble::HostOfAnotherBuild, false},
                      Troubled{"HostThatNeverAnswers", Trouble::SilentHost, false},
                      Troubled{"HostsBrowserKilled", Trouble::BrowserKilled, true}),
    ::testing::PrintToStringParamName());

}  // namespace
}  // namespace orlenda::iecapt::testing
