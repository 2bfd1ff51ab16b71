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

#include "platform/list_file_text.h"
#include "shared/posix/unique_fd.h"

namespace orlenda::platform {
namespace {

std::runtime_error SystemFailure(const std::string& what, const std::string& path, int error) {
    return std::runtime_error(what + " \"" + path + "\": " + std::strerror(error) + ".");
}

class PosixListFile final : public ListFile {
public:
    PosixListFile(UniqueFd descriptor, std::string path)
        : m_descriptor(std::move(descriptor)), m_path(std::move(path)) {}

    std::size_t read(char* buffer, std::size_t size) override {
        for (;;) {
            const ssize_t count = ::read(m_descriptor.get(), buffer, size);
            if (count >= 0) return static_cast<std::size_t>(count);
            if (errno != EINTR) throw SystemFailure("Cannot read", m_path, errno);
        }
    }

private:
    UniqueFd m_descriptor;
    std::string m_path;
};

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
    AppendPercentEncoded(text, std::string_view(bytes).substr(input, length));
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

// Gives the file the new name unless something has it; 0 or the error
// number (EEXIST when the name is taken). A file system that cannot rename
// so can link: a new link never replaces either.
int MoveWithoutReplacing(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS) return errno;
    if (::link(from.c_str(), to.c_str()) != 0) return errno;
    ::unlink(from.c_str());
    return 0;
}

// Has the folder's new entry reach the disk too.
void SyncFolderOf(const std::string& path) {
    const std::size_t separator = path.find_last_of('/');
    const std::string folder = separator == std::string::npos ? "." : path.substr(0, separator + 1);
    const UniqueFd descriptor(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (descriptor) ::fsync(descriptor.get());
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
    UniqueFd descriptor(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (!descriptor) throw SystemFailure("Cannot open", path, errno);
    struct stat status {};
    if (::fstat(descriptor.get(), &status) != 0) throw SystemFailure("Cannot examine", path, errno);
    if (S_ISDIR(status.st_mode)) {
        throw std::runtime_error("\"" + path + "\" is a folder, not a list file.");
    }
    if (!S_ISREG(status.st_mode)) {
        throw std::runtime_error("\"" + path +
                                 "\" is not a regular file (a device or a pipe), so it cannot be "
                                 "read as a list.");
    }
    return std::make_unique<MarkedListFile>(
        std::make_unique<PosixListFile>(std::move(descriptor), path));
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
    // Written whole to a hidden name first and only then given its own, so
    // that a crash never leaves half a list under it.
    std::string temporary;
    int descriptor = -1;
    for (int attempt = 0; attempt < 100 && descriptor < 0; ++attempt) {
        temporary = TemporaryListPath(path, '/');
        descriptor =
            ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
        if (descriptor < 0 && errno != EEXIST) break;
    }
    if (descriptor < 0) throw std::runtime_error(std::strerror(errno));
    int error = WriteAll(descriptor, bytes);
    if (::close(descriptor) != 0 && error == 0) error = errno;
    if (error == 0) error = MoveWithoutReplacing(temporary, path);
    if (error != 0) {
        ::unlink(temporary.c_str());  // ours: created above
        if (error == EEXIST) return false;
        throw std::runtime_error(std::strerror(error));
    }
    SyncFolderOf(path);
    return true;
}

}  // namespace orlenda::platform
