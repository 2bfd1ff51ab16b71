// A stand-in for the browser that says which descriptors it was started
// with, on its standard error, and quits at once. The tool keeps that output
// as the browser's log and quotes its last line when the browser quits
// before answering: "the browser quit while starting (descriptors: 0 1 2 3 4)".

#include <dirent.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

int main() {
    DIR* folder = ::opendir("/proc/self/fd");
    if (folder == nullptr) return 2;
    std::vector<int> open;
    while (const dirent* entry = ::readdir(folder)) {
        const std::string name = entry->d_name;
        // The listing's own descriptor is not one it was started with.
        if (name.find_first_not_of("0123456789") == std::string::npos &&
            std::atoi(name.c_str()) != ::dirfd(folder)) {
            open.push_back(std::atoi(name.c_str()));
        }
    }
    ::closedir(folder);
    std::ranges::sort(open);
    std::string said = "descriptors:";
    for (const int descriptor : open) said += " " + std::to_string(descriptor);
    std::fprintf(stderr, "%s\n", said.c_str());
    return 1;
}
