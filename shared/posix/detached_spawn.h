#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace orlenda {

// A program started to outlive whoever starts it: in a session of its own
// (no signal from our terminal), no signal blocked or ignored, standard input
// from /dev/null, and of our descriptors only those named here.
struct DetachedChild {
    enum class Output { Inherited, Discarded };

    std::string program;                 // run as given: no search path
    std::vector<std::string> arguments;  // the first is the child's name for itself
    Output output = Output::Inherited;   // standard output
    int errorFile = -1;                  // its standard error; -1: /dev/null
    int handedOn = -1;                   // descriptor 3 of the child; -1: none
};

// Starts the child with this process's environment. Returns 0 with pid set,
// or the error number of why it did not start.
int spawnDetached(const DetachedChild& child, pid_t& pid);

}  // namespace orlenda
