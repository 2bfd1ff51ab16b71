#pragma once

#include <chrono>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace orlenda::iecapt::testing {

struct TestResponse {
    int status = 200;
    std::string contentType = "text/html; charset=utf-8";
    std::string body;
    bool neverAnswers = false;  // holds the connection open until the server stops
};

// A small HTTP/1.1 server on 127.0.0.1 for the capture tests: fixed answers
// by path, one thread per connection, every connection closed after one answer.
class TestHttpServer {
public:
    TestHttpServer();
    ~TestHttpServer();
    TestHttpServer(const TestHttpServer&) = delete;
    TestHttpServer& operator=(const TestHttpServer&) = delete;

    void serve(const std::string& path, TestResponse response);
    int port() const { return m_port; }
    std::string url(const std::string& path) const;
    // How often the path was asked for.
    int requestCount(const std::string& path) const;

private:
    void acceptConnections();
    void answer(int connection);
    // Waits until the descriptor is readable; false once the server stops.
    bool waitReadable(int fd) const;

    int m_listener = -1;
    int m_stopPipe[2] = {-1, -1};
    int m_port = 0;
    mutable std::mutex m_mutex;
    std::map<std::string, TestResponse> m_responses;
    std::map<std::string, int> m_requestCounts;
    std::vector<std::thread> m_connections;
    std::thread m_acceptor;
};

}  // namespace orlenda::iecapt::testing
