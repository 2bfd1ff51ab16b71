#pragma once

#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace orlenda::iecapt::testing {

struct TestResponse {
    int status = 200;
    std::string contentType = "text/html; charset=utf-8";
    std::string body = {};
    bool neverAnswers = false;   // holds the connection open until the server stops
    std::string headers = {};    // more header lines, each ending in \r\n
    int delayMs = 0;             // the answer is sent this much later
    bool bodyNeverEnds = false;  // the body is sent, but announced twice as long
    bool headersFirst = false;   // with delayMs: only the body is sent later
};

// A small HTTP/1.1 server on 127.0.0.1 with fixed answers by path. One thread
// waits on every connection at once: a browser opens some it never sends a
// request on, and a held one must not keep the others waiting.
class TestHttpServer {
public:
    TestHttpServer() {
        m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (m_listener < 0 ||
            ::bind(m_listener, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
            ::listen(m_listener, 64) != 0 ||
            ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
            ::pipe2(m_stopPipe, O_CLOEXEC) != 0) {
            throw std::runtime_error("cannot start the test HTTP server");
        }
        m_port = ntohs(address.sin_port);
        m_thread = std::thread([this] { run(); });
    }
    ~TestHttpServer() {
        ::close(m_stopPipe[1]);  // wakes the server's thread
        m_thread.join();
        ::close(m_listener);
        ::close(m_stopPipe[0]);
    }
    TestHttpServer(const TestHttpServer&) = delete;
    TestHttpServer& operator=(const TestHttpServer&) = delete;

    void serve(const std::string& path, TestResponse response) {
        const std::lock_guard lock(m_mutex);
        m_responses[path] = std::move(response);
    }
    int port() const { return m_port; }

private:
    using Clock = std::chrono::steady_clock;
    struct Delayed {
        Clock::time_point due;
        int connection;
        std::string reply;
    };

    void run() {
        std::map<int, std::string> requests;  // open connections and what each sent so far
        for (;;) {
            std::vector<pollfd> fds = {{m_stopPipe[0], POLLIN, 0}, {m_listener, POLLIN, 0}};
            for (const auto& open : requests) fds.push_back({open.first, POLLIN, 0});
            int wait = -1;
            for (const Delayed& delayed : m_delayed) {
                const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                                      delayed.due - Clock::now())
                                      .count();
                wait = static_cast<int>(
                    std::max<long long>(0, wait < 0 ? left : std::min<long long>(wait, left)));
            }
            if (::poll(fds.data(), fds.size(), wait) < 0) continue;
            if (fds[0].revents != 0) break;
            sendDelayedAnswers(requests);
            if (fds[1].revents != 0) {
                const int connection = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
                if (connection >= 0) requests[connection];
            }
            for (std::size_t i = 2; i < fds.size(); ++i) {
                if (fds[i].revents == 0) continue;
                const int connection = fds[i].fd;
                char buffer[4096];
                const ssize_t got = ::recv(connection, buffer, sizeof buffer, 0);
                std::string& request = requests[connection];
                if (got > 0) request.append(buffer, static_cast<std::size_t>(got));
                if (got > 0 && (request.find("\r\n\r\n") == std::string::npos ||
                                !answered(connection, request))) {
                    continue;
                }
                ::close(connection);
                requests.erase(connection);
                std::erase_if(m_delayed,
                              [&](const Delayed& d) { return d.connection == connection; });
            }
        }
        for (const auto& open : requests) ::close(open.first);
    }

    void sendDelayedAnswers(std::map<int, std::string>& requests) {
        for (auto delayed = m_delayed.begin(); delayed != m_delayed.end();) {
            if (delayed->due > Clock::now()) {
                ++delayed;
                continue;
            }
            ::send(delayed->connection, delayed->reply.data(), delayed->reply.size(), MSG_NOSIGNAL);
            ::close(delayed->connection);
            requests.erase(delayed->connection);
            delayed = m_delayed.erase(delayed);
        }
    }

    // False when the answer is held back.
    bool answered(int connection, const std::string& request) {
        const auto pathStart = request.find(' ') + 1;
        const std::string path =
            request.substr(pathStart, request.find_first_of(" ?", pathStart) - pathStart);
        TestResponse response{404, "text/html", "<html><body>no such page</body></html>"};
        {
            const std::lock_guard lock(m_mutex);
            if (const auto found = m_responses.find(path); found != m_responses.end()) {
                response = found->second;
            }
        }
        if (response.neverAnswers) return false;
        const std::map<int, const char*> reasons = {
            {200, "OK"}, {302, "Found"}, {401, "Unauthorized"}, {404, "Not Found"}};
        const auto reason = reasons.find(response.status);
        const std::size_t length = response.body.size() * (response.bodyNeverEnds ? 2 : 1);
        std::string reply = "HTTP/1.1 " + std::to_string(response.status) + " " +
                            (reason != reasons.end() ? reason->second : "Server Error") +
                            "\r\nContent-Type: " + response.contentType +
                            "\r\nContent-Length: " + std::to_string(length) +
                            "\r\nCache-Control: no-store\r\nConnection: close\r\n" +
                            response.headers + "\r\n";
        if (response.delayMs > 0 && response.headersFirst) {
            ::send(connection, reply.data(), reply.size(), MSG_NOSIGNAL);
            reply.clear();
        }
        reply += response.body;
        if (response.delayMs > 0) {
            m_delayed.push_back(
                {Clock::now() + std::chrono::milliseconds(response.delayMs), connection, reply});
            return false;
        }
        // The pages are small: the socket takes each answer whole.
        ::send(connection, reply.data(), reply.size(), MSG_NOSIGNAL);
        return !response.bodyNeverEnds;
    }

    int m_listener = -1;
    int m_stopPipe[2] = {-1, -1};
    int m_port = 0;
    std::mutex m_mutex;
    std::map<std::string, TestResponse> m_responses;
    std::vector<Delayed> m_delayed;  // only the server's thread touches it
    std::thread m_thread;
};

}  // namespace orlenda::iecapt::testing
