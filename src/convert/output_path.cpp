#include "convert/output_path.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "convert/text_length.h"

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
// ... and the rule that blanks out the control characters, which Windows
// refuses in a name too and which would hide in any listing of the folder.
constexpr int kControlCharacterStep = 143;

bool IsControlCharacter(char character) {
    return static_cast<unsigned char>(character) < 0x20 || character == 0x7F;
}

constexpr std::string_view kImageExtension = ".jpg";

// FNV-1a: small, and the same on every platform and in every version, so the
// same address is shortened to the same name in every run.
std::uint64_t NameHash(std::string_view name) {
    std::uint64_t hash = 0xcbf29ce484222325;
    for (const char byte : name) {
        hash ^= static_cast<unsigned char>(byte);
        hash *= 0x100000001b3;
    }
    return hash;
}

// "~", sixteen hexadecimal digits and the extension, all single-unit characters.
std::string ShortNameEnding(std::string_view name) {
    static constexpr char kHexDigits[] = "0123456789abcdef";
    std::string ending = "~";
    const std::uint64_t hash = NameHash(name);
    for (int shift = 60; shift >= 0; shift -= 4) ending += kHexDigits[(hash >> shift) & 0x0F];
    return ending.append(kImageExtension);
}
constexpr std::size_t kShortNameEndingLength = 1 + 16 + kImageExtension.size();

// The name within `longest` units; longest is at least kShortNameEndingLength.
std::string ShortenedFileName(std::string_view name, std::size_t longest, platform::TextUnit unit) {
    std::string_view stem = name;
    if (stem.ends_with(kImageExtension)) stem.remove_suffix(kImageExtension.size());
    return std::string(BeginningWithin(stem, longest - kShortNameEndingLength, unit)) +
           ShortNameEnding(name);
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

std::string OutputFileName(const std::string& address, const NamingStepRunner& runStep) {
    std::string name;
    runStep(126, [&] {
        name = ReplaceAll(ReplaceAll(address, "http://", ""), "/", "_").append(kImageExtension);
    });
    for (const auto& [step, forbidden] : kForbiddenFileNameCharacters) {
        runStep(step, [&, forbidden = forbidden] {
            std::replace(name.begin(), name.end(), forbidden, ' ');
        });
    }
    runStep(kControlCharacterStep,
            [&] { std::replace_if(name.begin(), name.end(), IsControlCharacter, ' '); });
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

OutputPathChoice FittingOutputPath(std::string_view folder, std::string_view fileName,
                                   const PathLimits& limits) {
    const std::string folderAndSeparator = std::string(folder) + limits.separator;
    std::string path =
        CollapseBackslashes(folderAndSeparator + std::string(fileName), limits.separator);
    if (Fits(fileName, limits.name) && Fits(path, limits.path)) {
        return {std::move(path), "", std::string(folder)};
    }

    // The name carries no separators, so the collapsed path is the collapsed
    // folder part followed by the name.
    const std::string folderPart = CollapseBackslashes(folderAndSeparator, limits.separator);
    const std::size_t folderLength = LengthIn(limits.path.unit, folderPart);
    const std::size_t room =
        std::min(limits.name.longest,
                 folderLength < limits.path.longest ? limits.path.longest - folderLength : 0);
    if (room < kShortNameEndingLength) {
        return {"",
                "the output folder's path is too long to hold any file: paths may take at most " +
                    InUnits(limits.path.longest, limits.path.unit),
                std::string(folder)};
    }
    return {folderPart + ShortenedFileName(fileName, room, limits.name.unit), "",
            std::string(folder)};
}

}  // namespace orlenda
