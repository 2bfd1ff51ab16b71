#include "convert/output_path.h"

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

std::string NameFromAddress(const std::string& address) {
    return ReplaceAll(ReplaceAll(address, "http://", ""), "/", "_") + ".jpg";
}

std::string BlankOut(std::string name, char character) {
    for (char& each : name) {
        if (each == character) each = ' ';
    }
    return name;
}

std::string OutputFileName(const std::string& address) {
    std::string name = NameFromAddress(address);
    for (const ForbiddenCharacter& forbidden : kForbiddenFileNameCharacters) {
        name = BlankOut(std::move(name), forbidden.character);
    }
    return name;
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
