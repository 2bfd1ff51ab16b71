#pragma once

#include <chrono>
#include <cstddef>
#include <string>

#include "form/form1.h"
#include "platform/list_files.h"

namespace orlenda {

inline constexpr char kFileNotFound[] = "File not found";
// The longest row a list file may hold: Chromium, which renders the captures,
// refuses longer addresses, and longer rows would only fill memory.
inline constexpr std::size_t kLongestRowBytes = std::size_t{2} * 1024 * 1024;

// During an import, window events run again once this long has passed since
// they last ran (looked at before every line and every piece). Running them
// before every line would repaint the list for every row, which costs a
// hundred times more than reading the row; this keeps the window as lively.
inline constexpr std::chrono::milliseconds kImportEventInterval{5};

// Appends every row of the list file at path to the site list. Before every
// line and every piece cut at an LF, window events run once the interval has
// passed (at every one with a zero interval); meanwhile the window's
// IsImportingList is set. A missing file is answered with "File not found".
// A line longer than kLongestRowBytes is left out and the rest read on; a
// message then names the lines left out. A file that cannot be read, a second
// list file while one is still being read, or a list that runs out of memory
// (the message says how many rows were added) throws; the rows appended
// before stay in the list.
void FileToList(Form1& form, const std::string& path,
                std::chrono::nanoseconds eventInterval = kImportEventInterval);

}  // namespace orlenda
