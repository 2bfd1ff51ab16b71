// The capture host's serving loop over real sockets, with a stand-in for its
// browser: who gets in, what each capture may say on its sessions, and how
// much each may make the host hold.

#include "system/posix/host_server.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <set>
#include <thread>

#include "system/pipe_channel.h"
#include "test_support.h"

namespace orlenda::iecapt {
namespace {

using namespace std::chrono_literals;
using host_socket::UniqueFd;
using nlohmann::json;

const HostIdentity kIdentity = {"tool 1", "/usr/bin/browser", {"LANG=C"}, {"nofile=1024"}};

// Answers every command as the browser would, names included, and says
// what the test makes it say. Holds its answers to the host's own first
// commands until let go, as a browser still starting does.
class StandInBrowser {
public:
    explicit StandInBrowser(int fd) : m_fd(fd), m_reader([this] { answer(); }) {}
    ~StandInBrowser() {
        ::shutdown(m_fd, SHUT_RDWR);
        letGo();
        m_reader.join();
        ::close(m_fd);
    }

    void say(const json& message) { write(message.dump()); }
    void write(const std::string& message) {
        const std::lock_guard lock(m_writing);
        const std::string framed = frameMessage(message);
        for (std::size_t at = 0; at < framed.size();) {
            const ssize_t wrote =
                ::send(m_fd, framed.data() + at, framed.size() - at, MSG_NOSIGNAL);
            if (wrote <= 0) return;
            at += static_cast<std::size_t>(wrote);
        }
    }
    void holdStart() { m_held = true; }
    void letGo() {
        const std::lock_guard lock(m_holding);
        m_held = false;
        m_released.notify_all();
    }
    bool wasSentOnAPage(const std::string& method) {
        const std::lock_guard lock(m_holding);
        return m_onPages.contains(method);
    }

private:
    void answer() {
        MessageFramer framer;
        std::vector<char> buffer(1 << 16);
        for (ssize_t got; (got = ::read(m_fd, buffer.data(), buffer.size())) > 0;) {
            framer.append(std::string_view(buffer.data(), static_cast<std::size_t>(got)));
            while (auto text = framer.next()) {
                const json command = json::parse(*text);
                const std::string method = command.value("method", "");
                std::unique_lock lock(m_holding);
                if (command.contains("sessionId")) m_onPages.insert(method);
                m_released.wait(lock, [&] { return !m_held; });
                lock.unlock();
                json reply = {{"id", command["id"]}, {"result", resultOf(method)}};
                if (command.contains("sessionId")) reply["sessionId"] = command["sessionId"];
                say(reply);
            }
        }
    }
    json resultOf(const std::string& method) {
        const std::string number = std::to_string(++m_made);
        if (method == "Target.createBrowserContext") return {{"browserContextId", "C" + number}};
        if (method == "Target.createTarget") return {{"targetId", "T" + number}};
        if (method == "Target.attachToTarget") return {{"sessionId", "S" + number}};
        return json::object();
    }

    int m_fd;
    std::mutex m_writing;
    std::mutex m_holding;
    std::condition_variable m_released;
    bool m_held = false;
    std::set<std::string> m_onPages;  // the commands it was sent on a page's session
    int m_made = 0;
    std::thread m_reader;
};

// A capture's end of a connection to the host.
class Capture {
public:
    Capture(int fd, int interrupt) : m_channel(fd, ::fcntl(fd, F_DUPFD_CLOEXEC, 0), interrupt) {}

    void send(const std::string& message) { m_channel.send(message, Deadline::after(2s)); }
    json ask(const std::string& method, const json& params = json::object(),
             const std::string& session = "") {
        json command = {{"id", ++m_id}, {"method", method}, {"params", params}};
        if (!session.empty()) command["sessionId"] = session;
        send(command.dump());
        const ReceivedMessage reply = m_channel.receive(Deadline::after(2s));
        return reply.status == ChannelStatus::Ok ? json::parse(reply.text) : json();
    }
    // A context, a page in it and a session with the page, as a capture
    // makes them: their names.
    struct Page {
        std::string context;
        std::string target;
        std::string session;
    };
    Page openPage() {
        Page page;
        page.context = ask("Target.createBrowserContext")["result"].value("browserContextId", "");
        page.target =
            ask("Target.createTarget", {{"browserContextId", page.context}})["result"].value(
                "targetId", "");
        page.session = ask("Target.attachToTarget", {{"targetId", page.target}})["result"].value(
            "sessionId", "");
        return page;
    }
    // What the host says from now on, until it closes the connection or
    // falls silent: its answers by name, its end with the reason, the
    // browser's messages by their count.
    std::string heard(std::chrono::milliseconds silence = 1s) {
        std::string said;
        int relayed = 0;
        for (;;) {
            const ReceivedMessage message = m_channel.receive(Deadline::after(silence));
            if (message.status != ChannelStatus::Ok) {
                if (relayed > 0) said += std::to_string(relayed) + " relayed, ";
                return said + (message.status == ChannelStatus::Closed ? "closed" : "silent");
            }
            if (const auto reason = readEnded(message.text)) {
                said += "ended (" + *reason + "), ";
            } else if (message.text.find("iecapt-host") != std::string::npos) {
                constexpr const char* kNames[] = {"serving", "starting", "refused"};
                said += std::string(kNames[static_cast<int>(readAnswer(message.text, kIdentity))]) +
                        ", ";
            } else {
                ++relayed;
            }
        }
    }

private:
    PipeChannel m_channel;
    int m_id = 0;
};

class HostServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        int browserEnds[2];
        ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, browserEnds), 0);
        ASSERT_EQ(::pipe2(m_interrupt, O_CLOEXEC), 0);
        ASSERT_EQ(::pipe2(m_captureInterrupt, O_CLOEXEC), 0);
        m_hostEnd = browserEnds[0];
        m_browser = std::make_unique<StandInBrowser>(browserEnds[1]);
        m_listener = host_socket::listenAt(m_folder / "host.socket");
        ASSERT_TRUE(m_listener);
        m_settings = {.identity = kIdentity,
                      .idle = 3600s,
                      .owner = host_socket::thisUser(),
                      .bounds = {.helloBytes = 4096,
                                 .commandBytes = 1 << 16,
                                 .queuedBytes = 1 << 18,
                                 .helloTime = 300ms,
                                 .browserMessageBytes = 1 << 20},
                      .retire = [this] { m_retired = true; }};
    }
    void TearDown() override {
        [[maybe_unused]] const auto ignored = ::write(m_interrupt[1], "x", 1);
        if (m_host.joinable()) m_host.join();
        m_browser.reset();
        for (const int fd :
             {m_interrupt[0], m_interrupt[1], m_captureInterrupt[0], m_captureInterrupt[1]}) {
            ::close(fd);
        }
    }

    void startHost() {
        m_host = std::thread([this] {
            HostServer(m_listener.get(), ::fcntl(m_hostEnd, F_DUPFD_CLOEXEC, 0), m_hostEnd,
                       m_interrupt[0], m_settings)
                .serve();
            m_ended = true;
        });
    }
    std::unique_ptr<Capture> connect() {
        UniqueFd fd = host_socket::connectTo(m_folder / "host.socket");
        EXPECT_TRUE(fd);
        return std::make_unique<Capture>(fd.release(), m_captureInterrupt[0]);
    }
    // A capture the host serves.
    std::unique_ptr<Capture> served() {
        std::unique_ptr<Capture> capture = connect();
        capture->send(helloText(kIdentity));
        EXPECT_TRUE(capture->heard(300ms).ends_with("serving, silent"));
        return capture;
    }

    testing::TestFolder m_folder;
    UniqueFd m_listener;
    int m_hostEnd = -1;
    int m_interrupt[2] = {-1, -1};
    int m_captureInterrupt[2] = {-1, -1};
    std::unique_ptr<StandInBrowser> m_browser;
    HostServer::Settings m_settings;
    std::atomic<bool> m_retired = false;
    std::atomic<bool> m_ended = false;
    std::thread m_host;
};

enum class Visit { Hello, OtherIdentity, Nothing, Flood, HelloThenCommand };

struct Caller {
    const char* name;
    bool ofThisUser;
    bool browserStarting;
    Visit visit;
    std::string heard;
};

void PrintTo(const Caller& row, std::ostream* out) { *out << row.name; }

class HostAdmissionTest : public HostServerTest, public ::testing::WithParamInterface<Caller> {};

TEST_P(HostAdmissionTest, AConnectionIsServedOnlyWhenItsUserAndItsHelloAreTheHostsOwn) {
    const Caller& row = GetParam();
    if (!row.ofThisUser) m_settings.owner = host_socket::thisUser() + 1;
    if (row.browserStarting) m_browser->holdStart();
    startHost();
    const std::unique_ptr<Capture> capture = connect();
    const HostIdentity other = {"tool 2", kIdentity.browser, kIdentity.environment, {}};
    const std::string command = R"({"id":1,"method":"Browser.getVersion"})";
    switch (row.visit) {
        case Visit::Hello:
            capture->send(helloText(kIdentity));
            break;
        case Visit::OtherIdentity:
            capture->send(helloText(other));
            break;
        case Visit::Nothing:
            break;
        case Visit::Flood:
            capture->send(std::string(8192, '{'));
            break;
        case Visit::HelloThenCommand:
            capture->send(helloText(kIdentity));
            EXPECT_EQ(capture->heard(300ms), "starting, silent");
            capture->send(command);
            break;
    }
    EXPECT_EQ(capture->heard(), row.heard);
    m_browser->letGo();
}

INSTANTIATE_TEST_SUITE_P(
    Callers, HostAdmissionTest,
    ::testing::Values(
        Caller{"ThisUser", true, false, Visit::Hello, "serving, silent"},
        Caller{"WhileTheBrowserStarts", true, true, Visit::Hello, "starting, silent"},
        Caller{"AnotherUser", false, false, Visit::Hello, "closed"},
        Caller{"AnotherIdentity", true, false, Visit::OtherIdentity, "refused, closed"},
        Caller{"SilentPastTheHelloTime", true, false, Visit::Nothing, "closed"},
        Caller{"HelloLongerThanAnyHello", true, false, Visit::Flood, "closed"},
        Caller{"SpeakingBeforeItIsServed", true, true, Visit::HelloThenCommand, "closed"}),
    ::testing::PrintToStringParamName());

// On a page's session a capture may use its own page and the frames under it,
// and nothing of the browser's or another capture's.
TEST_F(HostServerTest, OnItsPagesSessionACaptureReachesNothingButItsOwnPage) {
    startHost();
    const std::unique_ptr<Capture> capture = served();
    const std::unique_ptr<Capture> other = served();
    const std::string page = capture->openPage().session;
    const Capture::Page others = other->openPage();
    ASSERT_FALSE(page.empty());
    const std::set<std::string> allowed = {"Browser.getVersion", "Target.setAutoAttach",
                                           "Target.detachFromTarget"};
    const std::string methods[] = {"Target.activateTarget",
                                   "Target.attachToBrowserTarget",
                                   "Target.attachToTarget",
                                   "Target.autoAttachRelated",
                                   "Target.closeTarget",
                                   "Target.createBrowserContext",
                                   "Target.createTarget",
                                   "Target.detachFromTarget",
                                   "Target.disposeBrowserContext",
                                   "Target.exposeDevToolsProtocol",
                                   "Target.getBrowserContexts",
                                   "Target.getTargetInfo",
                                   "Target.getTargets",
                                   "Target.sendMessageToTarget",
                                   "Target.setAutoAttach",
                                   "Target.setDiscoverTargets",
                                   "Target.setRemoteLocations",
                                   "Target.openDevTools",
                                   "Browser.cancelDownload",
                                   "Browser.close",
                                   "Browser.crash",
                                   "Browser.crashGpuProcess",
                                   "Browser.executeBrowserCommand",
                                   "Browser.getBrowserCommandLine",
                                   "Browser.getHistogram",
                                   "Browser.getHistograms",
                                   "Browser.getVersion",
                                   "Browser.getWindowBounds",
                                   "Browser.getWindowForTarget",
                                   "Browser.grantPermissions",
                                   "Browser.resetPermissions",
                                   "Browser.setDockTile",
                                   "Browser.setDownloadBehavior",
                                   "Browser.setPermission",
                                   "Browser.setWindowBounds",
                                   "Browser.setContentsSize",
                                   "IO.read",
                                   "SystemInfo.getInfo",
                                   "Tracing.start",
                                   "Memory.simulatePressureNotification"};
    for (const std::string& method : methods) {
        EXPECT_EQ(capture->ask(method, json::object(), page).contains("error"),
                  !allowed.contains(method))
            << method;
        EXPECT_EQ(m_browser->wasSentOnAPage(method), allowed.contains(method)) << method;
    }
    // Another's context, page or session named on its own page's session.
    const json naming[] = {{{"browserContextId", others.context}},
                           {{"targetId", others.target}},
                           {{"sessionId", others.session}}};
    for (const json& params : naming) {
        EXPECT_TRUE(capture->ask("Storage.getCookies", params, page).contains("error")) << params;
    }
    // A frame of another site the page's session attached to is the capture's.
    m_browser->say({{"method", "Target.attachedToTarget"},
                    {"params", {{"sessionId", "FRAME"}, {"targetInfo", {{"targetId", "F"}}}}},
                    {"sessionId", page}});
    EXPECT_EQ(capture->heard(300ms), "1 relayed, silent");
    EXPECT_FALSE(capture->ask("Runtime.runIfWaitingForDebugger", {}, "FRAME").contains("error"));
    EXPECT_TRUE(other->ask("Runtime.runIfWaitingForDebugger", {}, "FRAME").contains("error"));
}

// A capture may make the host hold only so much: what it sends, what waits
// for it, and what the browser says to it.
TEST_F(HostServerTest, ACaptureThatOutgrowsItsBoundsGoesAndTheOthersStay) {
    startHost();
    const std::unique_ptr<Capture> beside = served();
    const std::string besidePage = beside->openPage().session;
    const struct {
        const char* name;
        std::function<void(Capture&, const std::string& page)> act;
        std::string heard;
    } cases[] = {
        {"a command longer than any capture sends",
         [](Capture& capture, const std::string&) { capture.send(std::string(1 << 17, 'x')); },
         "closed"},
        {"a page that keeps working while its capture reads no more",
         [&](Capture&, const std::string& page) {
             const json event = {{"method", "Network.dataReceived"},
                                 {"params", {{"data", std::string(1 << 16, 'd')}}},
                                 {"sessionId", page}};
             for (int i = 0; i < 128; ++i) m_browser->say(event);
         },
         "closed"},
        {"a message of the browser's too long to relay",
         [&](Capture&, const std::string& page) {
             m_browser->write(R"({"method":"Network.requestWillBeSent","params":{"x":")" +
                              std::string(2 << 20, 'p') + R"("},"sessionId":")" + page + "\"}");
         },
         "ended (the browser sent a message longer than 1 MB; the tool takes no more), closed"},
    };
    for (const auto& [name, act, heard] : cases) {
        const std::unique_ptr<Capture> capture = served();
        const std::string page = capture->openPage().session;
        act(*capture, page);
        std::this_thread::sleep_for(200ms);  // it reads no more meanwhile
        const std::string said = capture->heard();
        EXPECT_TRUE(said.ends_with(heard)) << name << ": " << said;
        EXPECT_FALSE(beside->ask("Page.enable", {}, besidePage).contains("error")) << name;
    }
}

TEST_F(HostServerTest, ARetiredHostEndsOnceTheCapturesItServesHaveGone) {
    startHost();
    std::unique_ptr<Capture> capture = served();
    capture->send(retireText());
    EXPECT_TRUE(testing::eventually([&] { return m_retired.load(); }, 2s));
    EXPECT_FALSE(capture->ask("Browser.getVersion").contains("error")) << "it goes on serving";
    capture.reset();
    EXPECT_TRUE(testing::eventually([&] { return m_ended.load(); }, 2s))
        << "long before its hour of idle time";
}

// Out of descriptors, a waiting connection is closed at once, so its capture
// starts a browser of its own, and the host serves on.
TEST_F(HostServerTest, AHostOutOfDescriptorsClosesTheConnectionItCannotTake) {
    startHost();
    std::unique_ptr<Capture> first = served();
    // Every descriptor below the limit taken but one, for the test's socket.
    int highest = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        highest = std::max(highest, std::stoi(entry.path().filename().string()));
    }
    std::vector<UniqueFd> holes;
    while (holes.empty() || holes.back().get() < highest) {
        holes.emplace_back(::open("/dev/null", O_RDONLY | O_CLOEXEC));
    }
    rlimit before{};
    ::getrlimit(RLIMIT_NOFILE, &before);
    rlimit few = before;
    few.rlim_cur = static_cast<rlim_t>(holes.back().get() + 1);
    holes.pop_back();
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &few), 0);
    UniqueFd late = host_socket::connectTo(m_folder / "host.socket");
    ASSERT_TRUE(late);
    pollfd closed = {late.get(), POLLIN, 0};
    const int ready = ::poll(&closed, 1, 1000);
    char byte = 0;
    const ssize_t got = ready > 0 ? ::recv(late.get(), &byte, 1, MSG_DONTWAIT) : -1;
    ::setrlimit(RLIMIT_NOFILE, &before);
    EXPECT_EQ(got, 0) << "the connection was left waiting";
    EXPECT_FALSE(first->ask("Browser.getVersion").contains("error"));
}

}  // namespace
}  // namespace orlenda::iecapt
