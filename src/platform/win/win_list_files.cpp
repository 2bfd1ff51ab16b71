#include "platform/win/win_list_files.h"

#include <windows.h>

#include <stdexcept>

#include "platform/win/win_text.h"
#include "platform/windows_1252.h"

namespace orlenda::platform {
namespace {

std::runtime_error SystemFailure(const std::string& what, const std::string& path, DWORD error) {
    return std::runtime_error(what + " \"" + path + "\": " + SystemErrorText(error) + ".");
}

class WinListFile final : public ListFile {
public:
    WinListFile(HANDLE file, std::string path) : m_file(file), m_path(std::move(path)) {}
    ~WinListFile() override { ::CloseHandle(m_file); }
    WinListFile(const WinListFile&) = delete;
    WinListFile& operator=(const WinListFile&) = delete;

    std::size_t read(char* buffer, std::size_t size) override {
        const DWORD wanted = size > MAXDWORD ? MAXDWORD : static_cast<DWORD>(size);
        DWORD count = 0;
        if (!::ReadFile(m_file, buffer, wanted, &count, nullptr)) {
            throw SystemFailure("Cannot read", m_path, ::GetLastError());
        }
        return count;
    }

private:
    HANDLE m_file;
    std::string m_path;
};

}  // namespace

WinListFiles::WinListFiles() : WinListFiles(::GetACP()) {}

WinListFiles::WinListFiles(unsigned codePage) : m_codePage(codePage) {}

std::unique_ptr<ListFile> WinListFiles::open(const std::string& path) {
    if (path.find('\0') != std::string::npos) {
        throw SystemFailure("Cannot open", path, ERROR_INVALID_NAME);
    }
    const std::wstring name = WideFromUtf8(path);
    const DWORD attributes = ::GetFileAttributesW(name.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        throw std::runtime_error("\"" + path + "\" is a folder, not a list file.");
    }
    // Others may go on writing, renaming or deleting the file meanwhile, as
    // with any text file a program only reads.
    const HANDLE file = ::CreateFileW(name.c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) throw SystemFailure("Cannot open", path, ::GetLastError());
    auto opened = std::make_unique<WinListFile>(file, path);
    // A device (a console, a printer port, a pipe) would be waited for, not read.
    if (::GetFileType(file) != FILE_TYPE_DISK) {
        throw std::runtime_error("\"" + path +
                                 "\" is not a regular file (a device or a pipe), so it cannot be "
                                 "read as a list.");
    }
    return opened;
}

std::string WinListFiles::toUtf8(std::string bytes) {
    if (m_codePage == CP_UTF8) return Utf8OrWindows1252(std::move(bytes));
    if (const auto wide = WideFromCodePage(m_codePage, bytes)) return Utf8FromWide(*wide);
    return convertPerCharacter(bytes);
}

// Some byte is not valid in the code page: the characters are read one by one
// and such a byte is kept as its Windows-1252 character.
std::string WinListFiles::convertPerCharacter(const std::string& bytes) const {
    std::string text;
    std::size_t at = 0;
    while (at < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[at]);
        const std::size_t length =
            ::IsDBCSLeadByteEx(m_codePage, lead) && at + 1 < bytes.size() ? 2 : 1;
        if (const auto wide = WideFromCodePage(m_codePage, {bytes.data() + at, length})) {
            text += Utf8FromWide(*wide);
            at += length;
        } else {
            AppendWindows1252(text, lead);
            ++at;
        }
    }
    return text;
}

}  // namespace orlenda::platform
