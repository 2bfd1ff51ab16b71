#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "app/form1.h"
#include "platform/list_files.h"

namespace orlenda {

inline constexpr char kFileNotFound[] = "File not found";
// The longest row a list file may hold: Chromium, which renders the captures,
// refuses longer addresses, and longer rows would only fill memory.
inline constexpr std::size_t kLongestRowBytes = 2 * 1024 * 1024;

// During an import, window events run again once this long has passed since
// they last ran (looked at before every line and every piece). Running them
// before every line would repaint the list for every row, which costs a
// hundred times more than reading the row; this keeps the window as lively.
inline constexpr std::chrono::milliseconds kImportEventInterval{5};

// Lets window events run when the interval has passed since they last ran,
// and at the first call.
class EventPacer {
public:
    EventPacer(platform::EventPump& events, std::chrono::nanoseconds interval);

    void letEventsRun();

private:
    platform::EventPump& m_events;
    std::chrono::nanoseconds m_interval;
    std::chrono::steady_clock::time_point m_nextRun;
};

// Cuts a list file into rows while it reads it. Lines end at CR LF, at a lone
// CR or at the end of the file; every LF inside a line cuts it again. Only
// the piece being read and one buffer of the file are held in memory.
class ListFilePieces {
public:
    explicit ListFilePieces(platform::ListFile& file);

    // True when every byte of the file has been read.
    bool atEnd();
    // Reads the next piece into piece. Returns true when it ended at an LF,
    // so that more of its line follows, and false when it ended its line.
    // Throws std::length_error for a piece longer than kLongestRowBytes.
    bool readPiece(std::string& piece);

private:
    bool fill();
    bool nextByteIs(char byte);
    void add(std::string& piece, const char* bytes, std::size_t count) const;

    platform::ListFile& m_file;
    std::vector<char> m_buffer;
    std::size_t m_position = 0;
    std::size_t m_size = 0;
    std::int64_t m_piecesRead = 0;
};

// Appends every row of the list file at path to the site list. Before every
// line and every piece cut at an LF, window events run once the interval has
// passed (at every one with a zero interval). A missing file is answered with
// "File not found". A file that cannot be read, or a second list file while
// one is still being read, throws; the rows appended before stay in the list.
void FileToList(Form1& form, const std::string& path,
                std::chrono::nanoseconds eventInterval = kImportEventInterval);

}  // namespace orlenda
