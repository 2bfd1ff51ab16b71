#include "convert/retry_list.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <stdexcept>

#include "convert/output_path.h"

namespace orlenda {
namespace {

// The path of a new list of the addresses in the folder. Throws
// std::runtime_error with the reason when there can be none.
std::string CreateRetryListIn(platform::ListFiles& listFiles, const platform::FileSystem& files,
                              const std::string& folder, const platform::LocalTime& time,
                              const std::vector<std::string>& addresses) {
    if (!IsFolder(files, folder)) throw std::runtime_error("there is no such folder");
    for (int attempt = 1; attempt <= kMostRetryListNames; ++attempt) {
        const std::string path =
            CollapseBackslashes(folder + platform::kPathSeparator + RetryListName(time, attempt));
        if (listFiles.createListFile(path, addresses)) return path;
    }
    throw std::runtime_error("every name for it is taken");
}

}  // namespace

std::string RetryListName(const platform::LocalTime& time, int attempt) {
    // Dots, not colons, between the hour, minute and second: Windows names
    // cannot hold a colon.
    std::array<char, 64> stamp{};
    std::snprintf(stamp.data(), stamp.size(), "%04d-%02d-%02d %02d.%02d.%02d", time.year,
                  time.month, time.day, time.hour, time.minute, time.second);
    const std::string number = attempt > 1 ? " (" + std::to_string(attempt) + ")" : "";
    return std::string("Not saved ") + stamp.data() + number + ".txt";
}

platform::ProgramEnd EndWithLostRetryList(const RetryList& list,
                                          const std::vector<std::string>& addresses) {
    std::string text =
        "Orlenda: no folder took the list of the web sites not saved (output folder: " +
        list.outputFolderFailure + "; home folder: " + list.homeFolderFailure + "). They are:\n";
    for (const std::string& address : addresses) text += address + "\n";
    return {.standardError = std::move(text), .exitStatus = EXIT_FAILURE};
}

RetryList WriteRetryList(platform::ListFiles& listFiles, const platform::FileSystem& files,
                         const std::string& outputFolder, const std::string& homeFolder,
                         const platform::LocalTime& time,
                         const std::vector<std::string>& addresses) {
    RetryList list;
    if (addresses.empty()) return list;
    try {
        list.path = CreateRetryListIn(listFiles, files, outputFolder, time, addresses);
        return list;
    } catch (const std::exception& failure) {
        list.outputFolderFailure = failure.what();
    }
    try {
        list.path = CreateRetryListIn(listFiles, files, homeFolder, time, addresses);
    } catch (const std::exception& failure) {
        list.homeFolderFailure = failure.what();
    }
    return list;
}

}  // namespace orlenda
