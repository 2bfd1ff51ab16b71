#pragma once

#include <array>
#include <string>
#include <string_view>

#include "platform/files.h"

namespace orlenda {

// The part of the text after its last backslash, or the whole text.
std::string FileNamePart(std::string_view text);

// True only when the path can be examined and is a folder; never fails.
bool IsFolder(const platform::FileSystem& files, const std::string& path);

// The first naming step: drops every "http://" (lower case only), turns
// every "/" into "_" and appends ".jpg".
std::string NameFromAddress(const std::string& address);

// A character a Windows file name cannot hold, which a later naming step
// replaces by a blank, and the number the run reports when that step fails.
struct ForbiddenCharacter {
    int step;
    char character;
};

inline constexpr std::array<ForbiddenCharacter, 7> kForbiddenFileNameCharacters{{
    {130, '\\'},
    {132, '*'},
    {134, ':'},
    {136, '?'},
    {138, '<'},
    {140, '>'},
    {142, '|'},
}};

// Every occurrence of the character replaced by a blank.
std::string BlankOut(std::string name, char character);

// The output file name of an address: every naming step, in order. Case
// matters and nothing else is touched, so names stay predictable.
std::string OutputFileName(const std::string& address);

// Makes doubled separators single, in one pass from left to right. A leading
// run of separators becomes exactly two backslashes (a network path keeps its
// prefix) or exactly one slash.
std::string CollapseBackslashes(std::string_view path, char separator = platform::kPathSeparator);

}  // namespace orlenda
