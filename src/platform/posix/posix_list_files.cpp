#include "platform/posix/posix_list_files.h"

#include <fcntl.h>
#include <langinfo.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "platform/windows_1252.h"

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

bool IsUtf8OrAscii(const std::string& codeset) {
    return codeset == "UTF-8" || codeset == "utf8" || codeset == "ANSI_X3.4-1968" ||
           codeset == "ASCII" || codeset == "US-ASCII";
}

}  // namespace

PosixListFiles::PosixListFiles() : PosixListFiles(::nl_langinfo(CODESET)) {}

PosixListFiles::PosixListFiles(const std::string& codeset) {
    // Plain ASCII is read as UTF-8, as Qt reads the C locale's 8-bit text.
    if (!IsUtf8OrAscii(codeset)) m_converter = ::iconv_open("UTF-8", codeset.c_str());
}

PosixListFiles::~PosixListFiles() {
    if (m_converter != PosixListFiles::kNoConverter) ::iconv_close(m_converter);
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
    if (m_converter == PosixListFiles::kNoConverter) return Utf8OrWindows1252(std::move(bytes));
    return convertWithIconv(bytes);
}

std::string PosixListFiles::convertWithIconv(const std::string& bytes) {
    ::iconv(m_converter, nullptr, nullptr, nullptr, nullptr);
    std::string text;
    std::array<char, 1024> output{};
    char* input = const_cast<char*>(bytes.data());
    std::size_t inputLeft = bytes.size();
    while (inputLeft > 0) {
        char* out = output.data();
        std::size_t outputLeft = output.size();
        const std::size_t result = ::iconv(m_converter, &input, &inputLeft, &out, &outputLeft);
        text.append(output.data(), static_cast<std::size_t>(out - output.data()));
        if (result != static_cast<std::size_t>(-1) || errno == E2BIG) continue;
        // An invalid or cut-off sequence: keep its first byte visible and go on.
        AppendWindows1252(text, static_cast<unsigned char>(*input));
        ++input;
        --inputLeft;
        ::iconv(m_converter, nullptr, nullptr, nullptr, nullptr);
    }
    return text;
}

}  // namespace orlenda::platform
