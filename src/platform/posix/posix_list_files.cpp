#include "platform/posix/posix_list_files.h"

#include <fcntl.h>
#include <langinfo.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace orlenda::platform {
namespace {

std::runtime_error SystemFailure(const std::string& what, const std::string& path, int error) {
    return std::runtime_error(what + " \"" + path + "\": " + std::strerror(error) + ".");
}

class PosixListFile final : public ListFile {
public:
    PosixListFile(int descriptor, std::string path)
        : m_descriptor(descriptor), m_path(std::move(path)) {}
    ~PosixListFile() override { ::close(m_descriptor); }
    PosixListFile(const PosixListFile&) = delete;
    PosixListFile& operator=(const PosixListFile&) = delete;

    std::size_t read(char* buffer, std::size_t size) override {
        for (;;) {
            const ssize_t count = ::read(m_descriptor, buffer, size);
            if (count >= 0) return static_cast<std::size_t>(count);
            if (errno != EINTR) throw SystemFailure("Cannot read", m_path, errno);
        }
    }

private:
    int m_descriptor;
    std::string m_path;
};

// Windows-1252 for 0x80 to 0x9F; its five unassigned bytes stay the control
// characters of the same number, as Windows itself reads them.
constexpr std::array<char16_t, 32> kWindows1252High{
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void AppendWindows1252(std::string& text, unsigned char byte) {
    const char16_t code = byte < 0x80   ? byte
                          : byte < 0xA0 ? kWindows1252High[byte - 0x80]
                                        : static_cast<char16_t>(byte);
    if (code < 0x80) {
        text += static_cast<char>(code);
    } else if (code < 0x800) {
        text += static_cast<char>(0xC0 | (code >> 6));
        text += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        text += static_cast<char>(0xE0 | (code >> 12));
        text += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (code & 0x3F));
    }
}

bool InRange(unsigned char byte, unsigned char low, unsigned char high) {
    return byte >= low && byte <= high;
}

// The length of the well-formed UTF-8 sequence at text[at], or 0 when none
// starts there (stray continuation bytes, overlong forms, surrogates, cut off).
std::size_t Utf8SequenceLength(const std::string& text, std::size_t at) {
    const auto byte = [&](std::size_t offset) {
        return at + offset < text.size() ? static_cast<unsigned char>(text[at + offset]) : 0;
    };
    const unsigned char lead = byte(0);
    if (lead < 0x80) return 1;
    if (InRange(lead, 0xC2, 0xDF)) return InRange(byte(1), 0x80, 0xBF) ? 2 : 0;
    unsigned char secondLow = 0x80;
    unsigned char secondHigh = 0xBF;
    if (lead == 0xE0) secondLow = 0xA0;
    if (lead == 0xED) secondHigh = 0x9F;
    if (lead == 0xF0) secondLow = 0x90;
    if (lead == 0xF4) secondHigh = 0x8F;
    if (!InRange(byte(1), secondLow, secondHigh)) return 0;
    if (InRange(lead, 0xE0, 0xEF)) return InRange(byte(2), 0x80, 0xBF) ? 3 : 0;
    if (InRange(lead, 0xF0, 0xF4)) {
        return InRange(byte(2), 0x80, 0xBF) && InRange(byte(3), 0x80, 0xBF) ? 4 : 0;
    }
    return 0;
}

// UTF-8 as it is; a byte that is not part of a valid sequence is taken as
// Windows-1252, the code page lists were written in before.
std::string Utf8OrWindows1252(std::string bytes) {
    std::size_t at = 0;
    std::size_t length = 0;
    while (at < bytes.size()) {
        length = static_cast<unsigned char>(bytes[at]) < 0x80 ? 1 : Utf8SequenceLength(bytes, at);
        if (length == 0) break;
        at += length;
    }
    if (at == bytes.size()) return bytes;

    std::string text = bytes.substr(0, at);
    while (at < bytes.size()) {
        length = Utf8SequenceLength(bytes, at);
        if (length == 0) {
            AppendWindows1252(text, static_cast<unsigned char>(bytes[at]));
            length = 1;
        } else {
            text.append(bytes, at, length);
        }
        at += length;
    }
    return text;
}

// What stands in the converted text for bytes the converter cannot take:
// appends it to text and returns how many of the bytes at input it took.
using StandIn = std::size_t (*)(std::string& text, const std::string& bytes, std::size_t input);

std::string ConvertWithIconv(iconv_t converter, const std::string& bytes, StandIn standIn) {
    ::iconv(converter, nullptr, nullptr, nullptr, nullptr);
    std::string text;
    std::array<char, 1024> output{};
    char* input = const_cast<char*>(bytes.data());
    std::size_t inputLeft = bytes.size();
    while (inputLeft > 0) {
        char* out = output.data();
        std::size_t outputLeft = output.size();
        const std::size_t result = ::iconv(converter, &input, &inputLeft, &out, &outputLeft);
        text.append(output.data(), static_cast<std::size_t>(out - output.data()));
        if (result != static_cast<std::size_t>(-1) || errno == E2BIG) continue;
        // An invalid or cut-off sequence, or one the code page cannot hold.
        const std::size_t taken = std::min(
            inputLeft, standIn(text, bytes, static_cast<std::size_t>(input - bytes.data())));
        input += taken;
        inputLeft -= taken;
        ::iconv(converter, nullptr, nullptr, nullptr, nullptr);
    }
    return text;
}

// The byte stays visible as the Windows-1252 character it would be.
std::size_t Windows1252StandIn(std::string& text, const std::string& bytes, std::size_t input) {
    AppendWindows1252(text, static_cast<unsigned char>(bytes[input]));
    return 1;
}

// The character as a browser would send it: its UTF-8 bytes percent-encoded.
std::size_t PercentEncodedStandIn(std::string& text, const std::string& bytes, std::size_t input) {
    const std::size_t length = std::max<std::size_t>(1, Utf8SequenceLength(bytes, input));
    for (std::size_t at = input; at < input + length && at < bytes.size(); ++at) {
        std::array<char, 4> encoded{};
        std::snprintf(encoded.data(), encoded.size(), "%%%02X",
                      static_cast<unsigned char>(bytes[at]));
        text += encoded.data();
    }
    return length;
}

// Writes all of the bytes; 0 or the error number.
int WriteAll(int descriptor, const std::string& bytes) {
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t count = ::write(descriptor, bytes.data() + written, bytes.size() - written);
        if (count < 0 && errno == EINTR) continue;
        if (count < 0) return errno;
        written += static_cast<std::size_t>(count);
    }
    return ::fsync(descriptor) == 0 ? 0 : errno;
}

bool IsUtf8OrAscii(const std::string& codeset) {
    return codeset == "UTF-8" || codeset == "utf8" || codeset == "ANSI_X3.4-1968" ||
           codeset == "ASCII" || codeset == "US-ASCII";
}

}  // namespace

PosixListFiles::PosixListFiles() : PosixListFiles(::nl_langinfo(CODESET)) {}

PosixListFiles::PosixListFiles(const std::string& codeset) {
    // Plain ASCII is read as UTF-8, as Qt reads the C locale's 8-bit text.
    if (IsUtf8OrAscii(codeset)) return;
    m_toUtf8 = ::iconv_open("UTF-8", codeset.c_str());
    m_fromUtf8 = ::iconv_open(codeset.c_str(), "UTF-8");
}

PosixListFiles::~PosixListFiles() {
    for (const iconv_t converter : {m_toUtf8, m_fromUtf8}) {
        if (converter != PosixListFiles::kNoConverter) ::iconv_close(converter);
    }
}

std::unique_ptr<ListFile> PosixListFiles::open(const std::string& path) {
    // Not blocking, so that a named pipe without a writer is refused, not waited for.
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (descriptor < 0) throw SystemFailure("Cannot open", path, errno);
    auto file = std::make_unique<PosixListFile>(descriptor, path);
    struct stat status {};
    if (::fstat(descriptor, &status) != 0) throw SystemFailure("Cannot examine", path, errno);
    if (S_ISDIR(status.st_mode)) {
        throw std::runtime_error("\"" + path + "\" is a folder, not a list file.");
    }
    if (!S_ISREG(status.st_mode)) {
        throw std::runtime_error("\"" + path +
                                 "\" is not a regular file (a device or a pipe), so it cannot be "
                                 "read as a list.");
    }
    return file;
}

std::string PosixListFiles::toUtf8(std::string bytes) {
    if (m_toUtf8 == PosixListFiles::kNoConverter) return Utf8OrWindows1252(std::move(bytes));
    return ConvertWithIconv(m_toUtf8, bytes, Windows1252StandIn);
}

std::string PosixListFiles::fromUtf8(const std::string& text) {
    if (m_fromUtf8 == PosixListFiles::kNoConverter) return text;
    return ConvertWithIconv(m_fromUtf8, text, PercentEncodedStandIn);
}

bool PosixListFiles::createListFile(const std::string& path, const std::vector<std::string>& rows) {
    std::string bytes;
    for (const std::string& row : rows) bytes += fromUtf8(row) + '\n';
    const int descriptor =
        ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
    if (descriptor < 0 && errno == EEXIST) return false;
    if (descriptor < 0) throw std::runtime_error(std::strerror(errno));
    int error = WriteAll(descriptor, bytes);
    if (::close(descriptor) != 0 && error == 0) error = errno;
    if (error != 0) {
        ::unlink(path.c_str());  // ours: created above
        throw std::runtime_error(std::strerror(error));
    }
    return true;
}

}  // namespace orlenda::platform
