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

// The most line numbers the message about lines too long names.
constexpr std::size_t kMostLinesNamed = 10;

// The open list file of one import; the window has one at a time. Closes it
// and clears the window's flag when done.
class OpenListFile {
public:
    OpenListFile(Form1& form, const std::string& path) : m_importing(form.IsImportingList) {
        if (m_importing) {
            throw std::runtime_error(
                "Another list file is still being read. Wait until its import has finished, "
                "then load this one.");
        }
        m_file = form.listFiles.open(path);
        m_importing = true;
    }
    ~OpenListFile() { m_importing = false; }
    OpenListFile(const OpenListFile&) = delete;
    OpenListFile& operator=(const OpenListFile&) = delete;

    platform::ListFile& file() { return *m_file; }

private:
    bool& m_importing;
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
    // that more of its line follows, and false when it ended its line. A
    // piece longer than kLongestRowBytes is read to its end but not kept:
    // piece is then empty and tooLong() true.
    bool readPiece(std::string& piece);
    bool tooLong() const { return m_tooLong; }
    // The number of the piece read last, from 1.
    std::int64_t piecesRead() const { return m_piecesRead; }

private:
    bool fill();
    bool nextByteIs(char byte);
    void add(std::string& piece, const char* bytes, std::size_t count);

    platform::ListFile& m_file;
    std::vector<char> m_buffer;
    std::size_t m_position = 0;
    std::size_t m_size = 0;
    std::int64_t m_piecesRead = 0;
    bool m_tooLong = false;
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

void ListFilePieces::add(std::string& piece, const char* bytes, std::size_t count) {
    if (m_tooLong) return;
    if (piece.size() + count > kLongestRowBytes) {
        m_tooLong = true;
        piece.clear();
        return;
    }
    piece.append(bytes, count);
}

bool ListFilePieces::readPiece(std::string& piece) {
    piece.clear();
    m_tooLong = false;
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

// The lines of a list left out for their length, by number.
struct LinesTooLong {
    std::vector<std::int64_t> firstNumbers;
    std::int64_t count = 0;

    void add(std::int64_t line) {
        if (firstNumbers.size() < kMostLinesNamed) firstNumbers.push_back(line);
        ++count;
    }
};

// "Line 4 of the list file is ...", "Lines 4, 7 and 2 more of ...".
std::string LinesTooLongMessage(const LinesTooLong& lines) {
    std::string numbers;
    const auto named = static_cast<std::int64_t>(lines.firstNumbers.size());
    for (std::int64_t i = 0; i < named; ++i) {
        const bool last = i + 1 == named && lines.count == named;
        numbers += (i == 0 ? ""
                    : last ? " and "
                           : ", ") +
                   std::to_string(lines.firstNumbers[static_cast<std::size_t>(i)]);
    }
    if (lines.count > named) numbers += " and " + std::to_string(lines.count - named) + " more";
    const bool one = lines.count == 1;
    return (one ? "Line " : "Lines ") + numbers + " of the list file " + (one ? "is" : "are") +
           " longer than " + std::to_string(kLongestRowBytes) +
           " bytes, more than any web address can be, so " + (one ? "it was" : "they were") +
           " left out. The rest of the file was added.";
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
    OpenListFile open(form, path);
    ListFilePieces pieces(open.file());
    EventPacer pacer(form.events, eventInterval);
    std::string piece;
    std::int64_t rowsAdded = 0;
    LinesTooLong linesTooLong;
    const auto addPiece = [&] {
        if (pieces.tooLong()) {
            linesTooLong.add(pieces.piecesRead());
            return;
        }
        form.ListView1.append(RowText(form.listFiles, open.file(), piece));
        ++rowsAdded;
    };
    try {
        while (!pieces.atEnd()) {
            pacer.letEventsRun();
            while (pieces.readPiece(piece)) {
                pacer.letEventsRun();
                addPiece();
            }
            addPiece();
        }
    } catch (const std::bad_alloc&) {
        throw std::runtime_error(OutOfMemoryMessage(rowsAdded));
    }
    if (linesTooLong.count > 0) {
        form.dialogs.messageBox(LinesTooLongMessage(linesTooLong), platform::kMessageExclamation,
                                "");
    }
}

}  // namespace orlenda
