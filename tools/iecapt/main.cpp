#include <csignal>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "capture_run.h"
#include "exit_code.h"

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    int status = 0;
    try {
        status = orlenda::iecapt::runTool(arguments, std::cout, std::cerr);
    } catch (const std::exception& error) {
        std::cerr << "iecapt: error: unexpected failure: " << error.what() << "\n";
        return static_cast<int>(orlenda::iecapt::ExitCode::Unexpected);
    }
    std::cout.flush();
    if (status < 0) {
        // Stopped by a signal: end by it too, so the caller sees why.
        std::signal(-status, SIG_DFL);
        std::raise(-status);
    }
    return status;
}
