#include <csignal>
#include <iostream>
#include <string>
#include <vector>

#include "run/capture_run.h"

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const int status = orlenda::iecapt::runTool(arguments, std::cout, std::cerr);
    std::cout.flush();
    if (status < 0) {
        // Stopped by a signal: end by it too, so the caller sees why.
        std::signal(-status, SIG_DFL);
        std::raise(-status);
    }
    return status;
}
