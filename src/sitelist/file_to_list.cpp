#include "sitelist/file_to_list.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <new>
#include <stdexcept>
#include <utility>
#include <vector>

#include "platform/list_file_text.h"

namespace orlenda {
namespace {

constexpr std::size_t kReadChunkBytes = std::size_t{64} * 1024;

// Set while a list file is open: like a file number of its own, the import has
// one file at a time, whichever import opened it.
bool g_listFileOpen = false;

// The open list file of one import; closes it and frees the slot when done.
class OpenListFile {
public:
    OpenListFile(platform::ListFiles& files, const std::string& path) {
        if (g_listFileOpen) {
            throw std::runtime_error(
                "Another list file is still being read. Wait until its import has finished, "
                "then load this one.");
        }
        m_file = files.open(path);
        g_listFileOpen = true;
    }
    ~OpenListFile() { g_listFileOpen = false; }
    OpenListFile(const OpenListFile&) = delete;
    OpenListFile& operator=(const OpenListFile&) = delete;

    platform::ListFile& file() { return *m_file; }

private:
    std::unique_ptr<platform::ListFile> m_file;
};

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
// CR or at the end of the file; every LF inside a line cuts it again, and an
// LF that ends the file ends its line, as a final CR LF does: it is this
// platform's own line end, not the start of one more, empty, row. Only the
// piece being read and one buffer of the file are held in memory.
class ListFilePieces {
public:
    explicit ListFilePieces(platform::ListFile& file);

    // True when every byte of the file has been read.
    bool atEnd();
    // Reads the next piece into piece. Returns true when it ended at an LF
    // that more of its line follows, and false when it ended its line.
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

EventPacer::EventPacer(platform::EventPump& events, std::chrono::nanoseconds interval)
    : m_events(events), m_interval(interval), m_nextRun(std::chrono::steady_clock::now()) {}

void EventPacer::letEventsRun() {
    if (std::chrono::steady_clock::now() < m_nextRun) return;
    m_events.processEvents();
    m_nextRun = std::chrono::steady_clock::now() + m_interval;
}

ListFilePieces::ListFilePieces(platform::ListFile& file)
    : m_file(file), m_buffer(kReadChunkBytes) {}

bool ListFilePieces::fill() {
    m_position = 0;
    m_size = m_file.read(m_buffer.data(), m_buffer.size());
    return m_size > 0;
}

bool ListFilePieces::atEnd() { return m_position == m_size && !fill(); }

bool ListFilePieces::nextByteIs(char byte) {
    return (m_position < m_size || fill()) && m_buffer[m_position] == byte;
}

void ListFilePieces::add(std::string& piece, const char* bytes, std::size_t count) const {
    if (piece.size() + count > kLongestRowBytes) {
        throw std::length_error("Line " + std::to_string(m_piecesRead + 1) +
                                " of the file is longer than " + std::to_string(kLongestRowBytes) +
                                " bytes, more than any web address can be. The import stopped "
                                "before that line; the rows before it were added.");
    }
    piece.append(bytes, count);
}

bool ListFilePieces::readPiece(std::string& piece) {
    piece.clear();
    while (m_position < m_size || fill()) {
        const char* const begin = m_buffer.data() + m_position;
        const char* const end = m_buffer.data() + m_size;
        const char* const lineEnd =
            std::find_if(begin, end, [](char byte) { return byte == '\r' || byte == '\n'; });
        add(piece, begin, static_cast<std::size_t>(lineEnd - begin));
        m_position = static_cast<std::size_t>(lineEnd - m_buffer.data());
        if (lineEnd == end) continue;
        ++m_position;
        ++m_piecesRead;
        if (*lineEnd == '\n') return !atEnd();
        if (nextByteIs('\n')) ++m_position;  // CR LF is one line end
        return false;
    }
    ++m_piecesRead;
    return false;  // the end of the file ends the last line
}

// A row's text as UTF-8, however the file holds it.
std::string RowText(platform::ListFiles& files, const platform::ListFile& file, std::string piece) {
    return file.readsUtf8() ? platform::Utf8OrWindows1252(std::move(piece))
                            : files.toUtf8(std::move(piece));
}

std::string OutOfMemoryMessage(std::int64_t rowsAdded) {
    return "There is not enough memory for more rows. The import stopped after adding " +
           std::to_string(rowsAdded) + (rowsAdded == 1 ? " row" : " rows") +
           " from the list file; they stay in the list.";
}

}  // namespace

void FileToList(Form1& form, const std::string& path, std::chrono::nanoseconds eventInterval) {
    if (!form.files.fileExists(path)) {
        form.dialogs.messageBox(kFileNotFound, platform::kMessageOkOnly, "");
        return;
    }
    OpenListFile open(form.listFiles, path);
    ListFilePieces pieces(open.file());
    EventPacer pacer(form.events, eventInterval);
    std::string piece;
    std::int64_t rowsAdded = 0;
    try {
        while (!pieces.atEnd()) {
            pacer.letEventsRun();
            while (pieces.readPiece(piece)) {
                pacer.letEventsRun();
                form.ListView1.append(RowText(form.listFiles, open.file(), piece));
                ++rowsAdded;
            }
            form.ListView1.append(RowText(form.listFiles, open.file(), piece));
            ++rowsAdded;
        }
    } catch (const std::bad_alloc&) {
        throw std::runtime_error(OutOfMemoryMessage(rowsAdded));
    }
}

}  // namespace orlenda
