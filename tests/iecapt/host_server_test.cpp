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
#include <set>
#include <sstream>
#include <thread>

#include "system/pipe_channel.h"
#include "test_support.h"

namespace orlenda::iecapt {
namespace {

using namespace std::chrono_literals;
using nlohmann::json;

const HostIdentity kIdentity = {"tool 1", "/usr/bin/browser", {"LANG=C"}, {"nofile=1024"}};

// The host in a thread of its own, and its browser's end of the pipe, where
// the test plays the browser.
class Host {
public:
    explicit Host(const std::function<void(HostServer::Settings&)>& change = {}) {
        int ends[2];
        ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends);
        ::pipe2(m_interrupt, O_CLOEXEC);
        m_browser = ends[1];
        m_listener = host_socket::listenAt(socketPath());
        HostServer::Settings settings = {.identity = kIdentity,
                                         .idle = 3600s,
                                         .owner = host_socket::thisUser(),
                                         .bounds = {.helloBytes = 4096,
                                                    .commandBytes = 1 << 16,
                                                    .queuedBytes = 1 << 18,
                                                    .helloTime = 300ms,
                                                    .browserMessageBytes = 1 << 20},
                                         .retire = [this] { retired = true; }};
        if (change) change(settings);
        m_server = std::thread([this, settings, hostEnd = ends[0]] {
            HostServer(m_listener.get(), ::fcntl(hostEnd, F_DUPFD_CLOEXEC, 0), hostEnd,
                       m_interrupt[0], settings)
                .serve();
            ended = true;
        });
    }
    ~Host() {
        [[maybe_unused]] const auto ignored = ::write(m_interrupt[1], "x", 1);
        m_server.join();
        for (const int fd : {m_browser, m_interrupt[0], m_interrupt[1]}) ::close(fd);
    }

    std::string socketPath() const { return m_folder / "host.socket"; }
    int browser() const { return m_browser; }
    // Readable once the host is to end: the captures' interrupt too.
    int interrupt() const { return m_interrupt[0]; }
    // The browser has started: it answers the host's own first commands.
    void start() {
        for (int wait = 0; wait < 2; ++wait) answerWaiting();
    }
    // Answers the commands that have come, as the browser would, names
    // included; false when none came.
    bool answerWaiting() {
        bool answered = false;
        std::vector<char> buffer(1 << 16);
        for (pollfd ready = {m_browser, POLLIN, 0}; ::poll(&ready, 1, 1000) > 0;
             ready.revents = 0) {
            const ssize_t got = ::read(m_browser, buffer.data(), buffer.size());
            if (got <= 0) break;
            m_framer.append(std::string_view(buffer.data(), static_cast<std::size_t>(got)));
            while (const auto text = m_framer.next()) {
                browserSays(replyTo(json::parse(*text)).dump());
                answered = true;
            }
            if (answered) break;
        }
        return answered;
    }
    json replyTo(const json& command) {
        const std::string method = command.value("method", "");
        const std::string made = std::to_string(++m_made);
        json reply = {{"id", command["id"]}, {"result", json::object()}};
        if (method == "Target.createBrowserContext")
            reply["result"]["browserContextId"] = "C" + made;
        if (method == "Target.createTarget") reply["result"]["targetId"] = "T" + made;
        if (method == "Target.attachToTarget") reply["result"]["sessionId"] = "S" + made;
        if (command.contains("sessionId")) reply["sessionId"] = command["sessionId"];
        return reply;
    }
    // Says it as the browser, whole, whatever its length.
    void browserSays(const std::string& message) {
        const std::string framed = frameMessage(message);
        for (std::size_t at = 0; at < framed.size();) {
            const ssize_t wrote = ::write(m_browser, framed.data() + at, framed.size() - at);
            if (wrote <= 0) return;
            at += static_cast<std::size_t>(wrote);
        }
    }

    std::atomic<bool> retired = false;
    std::atomic<bool> ended = false;

private:
    testing::TestFolder m_folder;
    UniqueFd m_listener;
    int m_browser = -1;
    int m_interrupt[2] = {-1, -1};
    MessageFramer m_framer;
    int m_made = 0;
    std::thread m_server;
};

// A capture's end of a connection to the host.
class Capture {
public:
    explicit Capture(Host& host)
        : m_host(host),
          m_fd(host_socket::connectTo(host.socketPath()).release()),
          m_channel(m_fd, ::fcntl(m_fd, F_DUPFD_CLOEXEC, 0), host.interrupt()) {}

    void send(const std::string& message) { m_channel.send(message, Deadline::after(2s)); }
    // The reply to the command: the browser's, or the host's refusal.
    json ask(const std::string& method, const json& params = json::object(),
             const std::string& session = "") {
        json command = {{"id", ++m_id}, {"method", method}, {"params", params}};
        if (!session.empty()) command["sessionId"] = session;
        send(command.dump());
        pollfd either[] = {{m_fd, POLLIN, 0}, {m_host.browser(), POLLIN, 0}};
        while (::poll(either, 2, 2000) > 0 && either[0].revents == 0 && m_host.answerWaiting()) {
        }
        return json::parse(m_channel.receive(Deadline::after(2s)).text, nullptr, false);
    }
    bool refused(const std::string& method, const json& params = json::object(),
                 const std::string& session = "") {
        return ask(method, params, session).contains("error");
    }
    // A context, a page in it and a session with the page, as a capture
    // makes them: their names.
    std::vector<std::string> openPage() {
        const json context = ask("Target.createBrowserContext")["result"]["browserContextId"];
        const json target =
            ask("Target.createTarget", {{"browserContextId", context}})["result"]["targetId"];
        return {context, target,
                ask("Target.attachToTarget", {{"targetId", target}})["result"]["sessionId"]};
    }
    // What the host says from now on, until it closes the connection or
    // falls silent: its answers and its end by name, the browser's messages
    // by their count.
    std::string heard(std::chrono::milliseconds silence = 1s) {
        std::string said;
        int relayed = 0;
        ReceivedMessage message;
        while ((message = m_channel.receive(Deadline::after(silence))).status ==
               ChannelStatus::Ok) {
            if (const auto reason = readEnded(message.text)) {
                said += "ended (" + *reason + "), ";
            } else if (message.text.find("\"iecapt-host\"") != std::string::npos) {
                constexpr const char* kAnswers[] = {"serving", "starting", "refused"};
                said += kAnswers[static_cast<int>(readAnswer(message.text, kIdentity))];
                said += ", ";
            } else {
                ++relayed;
            }
        }
        if (relayed > 0) said += std::to_string(relayed) + " relayed, ";
        return said + (message.status == ChannelStatus::Closed ? "closed" : "silent");
    }

private:
    Host& m_host;
    int m_fd;
    PipeChannel m_channel;
    int m_id = 0;
};

// A capture the host serves.
std::unique_ptr<Capture> served(Host& host) {
    auto capture = std::make_unique<Capture>(host);
    capture->send(helloText(kIdentity));
    EXPECT_TRUE(capture->heard(300ms).ends_with("serving, silent"));
    return capture;
}

TEST(HostServerTest, AConnectionIsServedOnlyWhenItsUserAndItsHelloAreTheHostsOwn) {
    const std::string hello = helloText(kIdentity);
    const std::string command = R"({"id":1,"method":"Browser.getVersion"})";
    const struct {
        const char* name;
        bool ofThisUser;
        bool browserStarted;
        std::string says;
        std::string thenOnceToldToWait;  // nothing when empty
        std::string heard;
    } callers[] = {
        {"this user", true, true, hello, "", "serving, silent"},
        {"while the browser starts", true, false, hello, "", "starting, silent"},
        {"another user", false, true, hello, "", "closed"},
        {"another identity", true, true, helloText({"tool 2", "b", {}, {}}), "", "refused, closed"},
        {"silent past the hello time", true, true, "", "", "closed"},
        {"a hello longer than any", true, true, std::string(8192, '{'), "", "closed"},
        {"speaking before it is served", true, false, hello, command, "closed"},
    };
    for (const auto& [name, ofThisUser, browserStarted, says, then, heard] : callers) {
        Host host([&](HostServer::Settings& settings) { settings.owner += ofThisUser ? 0 : 1; });
        if (browserStarted) host.start();
        Capture capture(host);
        if (!says.empty()) capture.send(says);
        if (!then.empty()) {
            EXPECT_EQ(capture.heard(300ms), "starting, silent") << name;
            capture.send(then);
        }
        EXPECT_EQ(capture.heard(), heard) << name;
    }
}

// On a page's session a capture may use its own page and the frames under it,
// and nothing of the browser's or another capture's.
TEST(HostServerTest, OnItsPagesSessionACaptureReachesNothingButItsOwnPage) {
    Host host;
    host.start();
    const std::unique_ptr<Capture> capture = served(host);
    const std::unique_ptr<Capture> other = served(host);
    const std::string page = capture->openPage().back();
    const std::vector<std::string> others = other->openPage();
    const std::set<std::string> allowed = {"Browser.getVersion", "Target.setAutoAttach",
                                           "Target.detachFromTarget"};
    std::istringstream methods(
        "Target.activateTarget Target.attachToBrowserTarget Target.attachToTarget "
        "Target.autoAttachRelated Target.closeTarget Target.createBrowserContext "
        "Target.createTarget Target.detachFromTarget Target.disposeBrowserContext "
        "Target.exposeDevToolsProtocol Target.getBrowserContexts Target.getTargetInfo "
        "Target.getTargets Target.sendMessageToTarget Target.setAutoAttach "
        "Target.setDiscoverTargets Target.setRemoteLocations Target.openDevTools "
        "Browser.cancelDownload Browser.close Browser.crash Browser.crashGpuProcess "
        "Browser.executeBrowserCommand Browser.getBrowserCommandLine Browser.getHistogram "
        "Browser.getHistograms Browser.getVersion Browser.getWindowBounds "
        "Browser.getWindowForTarget Browser.grantPermissions Browser.resetPermissions "
        "Browser.setDockTile Browser.setDownloadBehavior Browser.setPermission "
        "Browser.setWindowBounds Browser.setContentsSize IO.read SystemInfo.getInfo "
        "Tracing.start Memory.simulatePressureNotification");
    for (std::string method; methods >> method;) {
        // Refused by the host, it never reaches the browser, which refuses nothing.
        EXPECT_EQ(capture->refused(method, json::object(), page), !allowed.contains(method))
            << method;
    }
    // Another's context, page or session, named on its own page's session.
    const std::pair<const char*, std::string> naming[] = {
        {"browserContextId", others[0]}, {"targetId", others[1]}, {"sessionId", others[2]}};
    for (const auto& [key, name] : naming) {
        EXPECT_TRUE(capture->refused("Storage.getCookies", {{key, name}}, page)) << key;
    }
    // A frame of another site the page's session attached to is the capture's.
    host.browserSays(json{
        {"method", "Target.attachedToTarget"},
        {"params", {{"sessionId", "FRAME"}, {"targetInfo", json::object()}}},
        {"sessionId",
         page}}.dump());
    EXPECT_EQ(capture->heard(300ms), "1 relayed, silent");
    EXPECT_FALSE(capture->refused("Runtime.runIfWaitingForDebugger", {}, "FRAME"));
    EXPECT_TRUE(other->refused("Runtime.runIfWaitingForDebugger", {}, "FRAME"));
}

// A capture may make the host hold only so much: what it sends, what waits
// for it, and what the browser says to it.
TEST(HostServerTest, ACaptureThatOutgrowsItsBoundsGoesAndTheOthersStay) {
    Host host;
    host.start();
    const std::unique_ptr<Capture> beside = served(host);
    const std::string besidePage = beside->openPage().back();
    const auto onPage = [](const std::string& page, const std::string& data) {
        return R"({"method":"Network.dataReceived","params":{"data":")" + data +
               R"("},"sessionId":")" + page + "\"}";
    };
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
             for (int i = 0; i < 128; ++i)
                 host.browserSays(onPage(page, std::string(1 << 16, 'd')));
         },
         "closed"},
        {"a message of the browser's too long to relay",
         [&](Capture&, const std::string& page) {
             host.browserSays(onPage(page, std::string(2 << 20, 'p')));
         },
         "ended (the browser sent a message longer than 1 MB; the tool takes no more), closed"},
    };
    for (const auto& [name, act, heard] : cases) {
        const std::unique_ptr<Capture> capture = served(host);
        act(*capture, capture->openPage().back());
        std::this_thread::sleep_for(200ms);  // it reads no more meanwhile
        EXPECT_TRUE(capture->heard().ends_with(heard)) << name;
        EXPECT_FALSE(beside->refused("Page.enable", {}, besidePage)) << name;
    }
}

TEST(HostServerTest, ARetiredHostEndsOnceTheCapturesItServesHaveGone) {
    Host host;
    host.start();
    std::unique_ptr<Capture> capture = served(host);
    capture->send(retireText());
    EXPECT_TRUE(testing::eventually([&] { return host.retired.load(); }, 2s));
    EXPECT_FALSE(capture->refused("Browser.getVersion")) << "it goes on serving";
    capture.reset();
    EXPECT_TRUE(testing::eventually([&] { return host.ended.load(); }, 2s))
        << "long before its hour of idle time";
}

// Out of descriptors, a waiting connection is closed at once, so its capture
// starts a browser of its own, and the host serves on.
TEST(HostServerTest, AHostOutOfDescriptorsClosesTheConnectionItCannotTake) {
    Host host;
    host.start();
    const std::unique_ptr<Capture> first = served(host);
    // Only the lowest free descriptor left, for the test's socket.
    const int lowestFree = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    ::close(lowestFree);
    rlimit before{};
    ::getrlimit(RLIMIT_NOFILE, &before);
    const rlimit few = {static_cast<rlim_t>(lowestFree + 1), before.rlim_max};
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &few), 0);
    const UniqueFd late = host_socket::connectTo(host.socketPath());
    pollfd closed = {late.get(), POLLIN, 0};
    char byte = 0;
    const ssize_t got =
        ::poll(&closed, 1, 1000) > 0 ? ::recv(late.get(), &byte, 1, MSG_DONTWAIT) : -1;
    ::setrlimit(RLIMIT_NOFILE, &before);
    EXPECT_EQ(got, 0) << "the connection was left waiting";
    EXPECT_FALSE(first->refused("Browser.getVersion"));
}

}  // namespace
}  // namespace orlenda::iecapt
