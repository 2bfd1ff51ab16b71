// Serves the pages of the capture tests on 127.0.0.1, prints the port, and
// runs until its standard input closes, so a script can hold it with a pipe.

#include <unistd.h>

#include <iostream>

#include "capture_pages.h"
#include "test_http_server.h"

int main() {
    orlenda::iecapt::testing::TestHttpServer server;
    orlenda::iecapt::testing::serveCapturePages(server);
    std::cout << server.port() << std::endl;
    char byte;
    while (::read(STDIN_FILENO, &byte, 1) > 0) {
    }
    return 0;
}
