#include "system/atomic_file.h"

#include <algorithm>
#include <filesystem>
#include <random>

#include "common/utf8_path.h"

namespace orlenda::iecapt::atomic_file {

std::size_t lengthIn(std::string_view text, Units units) {
    if (units == Units::Bytes) return text.size();
    // One unit a character, two for those beyond the BMP (four UTF-8 bytes).
    std::size_t length = 0;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        length += (byte & 0xC0) != 0x80;
        length += byte >= 0xF0;
    }
    return length;
}

std::string temporaryNameStem(const std::string& target, std::size_t nameLimit,
                              std::size_t pathLimit, Units units) {
    const std::string name = nameOf(target);
    const std::size_t pathRest =
        lengthIn(target, units) - lengthIn(name, units) + kTemporaryNameExtra;
    const std::size_t pathRoom = pathLimit > pathRest ? pathLimit - pathRest : 0;
    const std::size_t room = std::min(nameLimit - kTemporaryNameExtra, pathRoom);
    std::size_t keep = name.size();
    while (keep > 0 && (lengthIn(std::string_view(name).substr(0, keep), units) > room ||
                        (static_cast<unsigned char>(name[keep]) & 0xC0) == 0x80)) {
        --keep;
    }
    return name.substr(0, keep);
}

std::string temporaryPathBeside(const std::string& target, const std::string& stem) {
    static std::mt19937_64 random{std::random_device{}()};
    return utf8Of(pathFromUtf8(target).parent_path() /
                  pathFromUtf8("." + stem + "." + std::to_string(random() % 1000000000) + ".part"));
}

std::string folderOf(const std::string& path) {
    const auto folder = pathFromUtf8(path).parent_path();
    return folder.empty() ? std::string(".") : utf8Of(folder);
}

std::string refusal(const std::string& path, const std::string& what) {
    return "cannot write " + path + ": it is " + what + ", not a regular file";
}

std::string nameOf(const std::string& path) { return utf8Of(pathFromUtf8(path).filename()); }

std::string nameTooLong(const std::string& path) {
    return "cannot write " + path + ": the name is too long for the folder";
}

}  // namespace orlenda::iecapt::atomic_file
