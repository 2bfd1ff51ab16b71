#include "test_http_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

namespace orlenda::iecapt::testing {
namespace {

std::string reasonOf(int status) {
    switch (status) {
        case 200:
            return "OK";
        case 404:
            return "Not Found";
        case 500:
            return "Internal Server Error";
        default:
            return "Status";
    }
}

void sendAll(int fd, const std::string& bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) return;
        sent += static_cast<std::size_t>(n);
    }
}

}  // namespace

TestHttpServer::TestHttpServer() {
    m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (m_listener < 0 || ::bind(m_listener, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::listen(m_listener, 64) != 0 ||
        ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
        ::pipe2(m_stopPipe, O_CLOEXEC) != 0) {
        throw std::runtime_error("cannot start the test HTTP server");
    }
    m_port = ntohs(address.sin_port);
    m_acceptor = std::thread([this] { acceptConnections(); });
}

TestHttpServer::~TestHttpServer() {
    ::close(m_stopPipe[1]);  // wakes every waiting thread
    m_acceptor.join();
    for (std::thread& connection : m_connections) connection.join();
    ::close(m_listener);
    ::close(m_stopPipe[0]);
}

void TestHttpServer::serve(const std::string& path, TestResponse response) {
    const std::lock_guard lock(m_mutex);
    m_responses[path] = std::move(response);
}

std::string TestHttpServer::url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(m_port) + path;
}

int TestHttpServer::requestCount(const std::string& path) const {
    const std::lock_guard lock(m_mutex);
    const auto found = m_requestCounts.find(path);
    return found == m_requestCounts.end() ? 0 : found->second;
}

bool TestHttpServer::waitReadable(int fd) const {
    pollfd fds[2] = {{m_stopPipe[0], POLLIN, 0}, {fd, POLLIN, 0}};
    while (::poll(fds, 2, -1) < 0) {
        if (errno != EINTR) return false;
    }
    return fds[0].revents == 0;
}

void TestHttpServer::acceptConnections() {
    while (waitReadable(m_listener)) {
        const int connection = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (connection < 0) continue;
        const std::lock_guard lock(m_mutex);
        m_connections.emplace_back([this, connection] { answer(connection); });
    }
}

void TestHttpServer::answer(int connection) {
    std::string request;
    char buffer[4096];
    while (request.find("\r\n\r\n") == std::string::npos) {
        if (!waitReadable(connection)) break;
        const ssize_t n = ::recv(connection, buffer, sizeof buffer, 0);
        if (n <= 0) break;
        request.append(buffer, static_cast<std::size_t>(n));
    }
    const auto pathStart = request.find(' ');
    const auto pathEnd = request.find_first_of(" ?", pathStart + 1);
    if (pathStart == std::string::npos || pathEnd == std::string::npos) {
        ::close(connection);
        return;
    }
    const std::string path = request.substr(pathStart + 1, pathEnd - pathStart - 1);
    TestResponse response{404, "text/html", "<html><body>no such page</body></html>", false};
    {
        const std::lock_guard lock(m_mutex);
        ++m_requestCounts[path];
        if (const auto found = m_responses.find(path); found != m_responses.end()) {
            response = found->second;
        }
    }
    if (response.neverAnswers) {
        while (waitReadable(connection)) {
            if (::recv(connection, buffer, sizeof buffer, 0) <= 0) break;
        }
    } else {
        sendAll(connection,
                "HTTP/1.1 " + std::to_string(response.status) + " " + reasonOf(response.status) +
                    "\r\nContent-Type: " + response.contentType +
                    "\r\nContent-Length: " + std::to_string(response.body.size()) +
                    "\r\nCache-Control: no-store\r\nConnection: close\r\n\r\n" + response.body);
    }
    ::close(connection);
}

}  // namespace orlenda::iecapt::testing
