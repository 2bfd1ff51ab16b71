#include "convert/output_path.h"

#include <algorithm>
#include <utility>

namespace orlenda {
namespace {

std::string ReplaceAll(std::string text, std::string_view from, std::string_view to) {
    for (std::size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

// The characters a Windows file name cannot hold, each with the number of the
// rule that blanks it out.
constexpr std::pair<int, char> kForbiddenFileNameCharacters[] = {
    {130, '\\'}, {132, '*'}, {134, ':'}, {136, '?'}, {138, '<'}, {140, '>'}, {142, '|'},
};

}  // namespace

std::string FileNamePart(std::string_view text) {
    const std::size_t lastBackslash = text.rfind('\\');
    return std::string(lastBackslash == std::string_view::npos ? text
                                                               : text.substr(lastBackslash + 1));
}

bool IsFolder(const platform::FileSystem& files, const std::string& path) {
    try {
        return files.isFolder(path);
    } catch (...) {
        return false;
    }
}

std::string OutputFileName(const std::string& address, const NamingStepRunner& runStep) {
    std::string name;
    runStep(126, [&] { name = ReplaceAll(ReplaceAll(address, "http://", ""), "/", "_") + ".jpg"; });
    for (const auto& [step, forbidden] : kForbiddenFileNameCharacters) {
        runStep(step, [&, forbidden = forbidden] {
            std::replace(name.begin(), name.end(), forbidden, ' ');
        });
    }
    return name;
}

std::string OutputFileName(const std::string& address) {
    return OutputFileName(address, [](int, const std::function<void()>& rule) { rule(); });
}

std::string CollapseBackslashes(std::string_view path, char separator) {
    const std::size_t firstOther = path.find_first_not_of(separator);
    const std::size_t restStart = firstOther == std::string_view::npos ? path.size() : firstOther;
    std::string result;
    result.reserve(path.size() + 1);
    if (restStart > 0) result.assign(separator == '\\' ? 2 : 1, separator);
    for (std::size_t at = restStart; at < path.size(); ++at) {
        result += path[at];
        if (path[at] == separator && at + 1 < path.size() && path[at + 1] == separator) ++at;
    }
    return result;
}

}  // namespace orlenda
