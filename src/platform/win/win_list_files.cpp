#include "platform/win/win_list_files.h"

#include <algorithm>
#include <optional>
#include <stdexcept>

#include "platform/files.h"
#include "platform/list_file_text.h"
#include "shared/win/owned_handle.h"
#include "shared/win/win_text.h"

namespace orlenda::platform {
namespace {

std::runtime_error SystemFailure(const std::string& what, const std::string& path, DWORD error) {
    return std::runtime_error(what + " \"" + path + "\": " + systemErrorText(error) + ".");
}

// The path for the API; nothing when a NUL would cut it short and name
// another file.
std::optional<std::wstring> WholePath(const std::string& path) {
    if (path.find('\0') != std::string::npos) return std::nullopt;
    return wideFromUtf8(path);
}

class WinListFile final : public ListFile {
public:
    WinListFile(OwnedHandle file, std::string path)
        : m_file(std::move(file)), m_path(std::move(path)) {}

    std::size_t read(char* buffer, std::size_t size) override {
        const auto wanted = static_cast<DWORD>(std::min<std::size_t>(size, MAXDWORD));
        DWORD count = 0;
        if (!::ReadFile(m_file.get(), buffer, wanted, &count, nullptr)) {
            throw SystemFailure("Cannot read", m_path, ::GetLastError());
        }
        return count;
    }

private:
    OwnedHandle m_file;
    std::string m_path;
};

// Writes all of the bytes and has them reach the disk; 0 or the error number.
DWORD WriteAll(HANDLE file, const std::string& bytes) {
    std::size_t written = 0;
    while (written < bytes.size()) {
        const auto chunk =
            static_cast<DWORD>(std::min<std::size_t>(bytes.size() - written, MAXDWORD));
        DWORD count = 0;
        if (!::WriteFile(file, bytes.data() + written, chunk, &count, nullptr)) {
            return ::GetLastError();
        }
        written += count;
    }
    return ::FlushFileBuffers(file) ? 0 : ::GetLastError();
}

}  // namespace

WinListFiles::WinListFiles() : WinListFiles(::GetACP()) {}

WinListFiles::WinListFiles(unsigned codePage) : m_codePage(codePage) {}

std::unique_ptr<ListFile> WinListFiles::open(const std::string& path) {
    const std::optional<std::wstring> wholePath = WholePath(path);
    if (!wholePath) throw SystemFailure("Cannot open", path, ERROR_INVALID_NAME);
    const std::wstring& name = *wholePath;
    const DWORD attributes = ::GetFileAttributesW(name.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        throw std::runtime_error("\"" + path + "\" is a folder, not a list file.");
    }
    // Others may go on writing, renaming or deleting the file meanwhile, as
    // with any text file a program only reads.
    OwnedHandle file(::CreateFileW(name.c_str(), GENERIC_READ,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) throw SystemFailure("Cannot open", path, ::GetLastError());
    // A device (a console, a printer port, a pipe) would be waited for, not read.
    if (::GetFileType(file.get()) != FILE_TYPE_DISK) {
        throw std::runtime_error("\"" + path +
                                 "\" is not a regular file (a device or a pipe), so it cannot be "
                                 "read as a list.");
    }
    return std::make_unique<MarkedListFile>(std::make_unique<WinListFile>(std::move(file), path));
}

std::string WinListFiles::toUtf8(std::string bytes) {
    if (m_codePage == CP_UTF8) return Utf8OrWindows1252(std::move(bytes));
    if (const auto wide = wideFromCodePage(m_codePage, bytes)) return utf8FromWide(*wide);
    // Some byte is not valid in the code page: the characters are read one by
    // one and such a byte is kept as its Windows-1252 character.
    std::string text;
    std::size_t at = 0;
    while (at < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[at]);
        const std::size_t length =
            ::IsDBCSLeadByteEx(m_codePage, lead) && at + 1 < bytes.size() ? 2 : 1;
        if (const auto wide = wideFromCodePage(m_codePage, {bytes.data() + at, length})) {
            text += utf8FromWide(*wide);
            at += length;
        } else {
            AppendWindows1252(text, lead);
            ++at;
        }
    }
    return text;
}

std::string WinListFiles::fromUtf8(const std::string& text) const {
    if (m_codePage == CP_UTF8) return text;
    if (const auto bytes = codePageFromWide(m_codePage, wideFromUtf8(text))) return *bytes;
    // Some character has no place in the code page: the characters are
    // written one by one and such a one percent-encoded.
    std::string bytes;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t length = std::max<std::size_t>(1, Utf8SequenceLength(text, at));
        const std::string_view character = std::string_view(text).substr(at, length);
        if (const auto encoded = codePageFromWide(m_codePage, wideFromUtf8(character))) {
            bytes += *encoded;
        } else {
            AppendPercentEncoded(bytes, character);
        }
        at += length;
    }
    return bytes;
}

bool WinListFiles::createListFile(const std::string& path, const std::vector<std::string>& rows) {
    std::string bytes;
    for (const std::string& row : rows) bytes += fromUtf8(row) + "\r\n";
    const std::optional<std::wstring> name = WholePath(path);
    if (!name) throw std::runtime_error(systemErrorText(ERROR_INVALID_NAME));
    // Written whole to a hidden name first and only then given its own, so
    // that a crash never leaves half a list under it.
    std::wstring temporary;
    DWORD error = 0;
    {
        OwnedHandle file;
        for (int attempt = 0; attempt < 100 && !file; ++attempt) {
            temporary = wideFromUtf8(TemporaryListPath(path, kPathSeparator));
            file = OwnedHandle(::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr,
                                             CREATE_NEW, FILE_ATTRIBUTE_HIDDEN, nullptr));
            if (!file && ::GetLastError() != ERROR_FILE_EXISTS) break;
        }
        if (!file) throw std::runtime_error(systemErrorText(::GetLastError()));
        error = WriteAll(file.get(), bytes);
    }
    // Without MOVEFILE_REPLACE_EXISTING a name that is taken stays as it is.
    if (error == 0 && !::MoveFileExW(temporary.c_str(), name->c_str(), MOVEFILE_WRITE_THROUGH)) {
        error = ::GetLastError();
    }
    if (error != 0) {
        ::DeleteFileW(temporary.c_str());  // ours: created above
        if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) return false;
        throw std::runtime_error(systemErrorText(error));
    }
    // Shown like any other list now that it has its name.
    ::SetFileAttributesW(name->c_str(), FILE_ATTRIBUTE_NORMAL);
    return true;
}

}  // namespace orlenda::platform
