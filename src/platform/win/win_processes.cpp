#include "platform/win/win_processes.h"

#include <algorithm>
#include <stdexcept>
#include <utility>
#include <vector>

#include "platform/error_file_folders.h"
#include "shared/win/win_text.h"

namespace orlenda::platform {
namespace {

// The window modes as ShowWindow's commands; 5 is the plain "show".
WORD ShowCommandOf(int windowMode) {
    switch (windowMode) {
        case 0:
            return SW_HIDE;
        case 1:
            return SW_SHOWNORMAL;
        case 2:
            return SW_SHOWMINIMIZED;
        case 3:
            return SW_SHOWMAXIMIZED;
        case 4:
            return SW_SHOWNOACTIVATE;
        case 5:
            return SW_SHOW;
        default:
            return SW_SHOWMINNOACTIVE;
    }
}

HANDLE HandleOf(ProcessHandle handle) { return reinterpret_cast<HANDLE>(handle); }

[[noreturn]] void FailToStart(DWORD error) {
    throw ProcessStartError(static_cast<int>(error), systemErrorText(error));
}

SECURITY_ATTRIBUTES Inheritable() {
    return {.nLength = sizeof(SECURITY_ATTRIBUTES),
            .lpSecurityDescriptor = nullptr,
            .bInheritHandle = TRUE};
}

// The child's standard error: a new file in a temporary folder, open twice,
// to read here and (inheritable) to write there; each side has its own file
// position. Windows deletes it when the last handle closes, whoever ends
// first. Both sides are empty when no such file can be made, and lost says why.
struct ErrorFile {
    OwnedHandle reader;
    OwnedHandle writer;
    std::string lost;
};

// The error file in the folder; the system's error number when it takes none.
DWORD OpenErrorFileIn(const std::wstring& folder, ErrorFile& file) {
    std::wstring name(MAX_PATH, L'\0');
    if (!::GetTempFileNameW(folder.c_str(), L"orl", 0, name.data())) return ::GetLastError();
    constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    file.reader = OwnedHandle(
        ::CreateFileW(name.c_str(), GENERIC_READ | DELETE, kShareAll, nullptr, OPEN_EXISTING,
                      FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    if (!file.reader) {
        const DWORD error = ::GetLastError();
        ::DeleteFileW(name.c_str());
        return error;
    }
    SECURITY_ATTRIBUTES inheritable = Inheritable();
    file.writer = OwnedHandle(::CreateFileW(name.c_str(), GENERIC_WRITE, kShareAll, &inheritable,
                                            OPEN_EXISTING, FILE_ATTRIBUTE_TEMPORARY, nullptr));
    if (!file.writer) {
        const DWORD error = ::GetLastError();
        file.reader = OwnedHandle();  // which deletes the file
        return error;
    }
    return ERROR_SUCCESS;
}

// The temporary folder the environment names (TMP, TEMP ...), and the
// system's own in the Windows folder.
std::wstring EnvironmentTemporaryFolder() {
    std::wstring folder(MAX_PATH + 1, L'\0');
    folder.resize(::GetTempPathW(static_cast<DWORD>(folder.size()), folder.data()));
    return folder;
}

std::wstring SystemTemporaryFolder() {
    std::wstring folder(MAX_PATH, L'\0');
    folder.resize(::GetSystemWindowsDirectoryW(folder.data(), static_cast<UINT>(folder.size())));
    return folder.empty() ? folder : folder + L"\\Temp";
}

ErrorFile OpenErrorFile(const std::string& spareFolder) {
    ErrorFile file;
    std::vector<std::pair<std::string, std::string>> refusals;
    for (const std::string& folder :
         ErrorFileFolders(utf8FromWide(EnvironmentTemporaryFolder()), spareFolder,
                          utf8FromWide(SystemTemporaryFolder()))) {
        const DWORD error = OpenErrorFileIn(wideFromUtf8(folder), file);
        if (error == ERROR_SUCCESS) return file;
        refusals.emplace_back(folder, systemErrorText(error));
    }
    file.lost = NoErrorFileReason(refusals);
    return file;
}

// Hands the child exactly these handles and no other inheritable one.
class InheritOnly {
public:
    explicit InheritOnly(std::vector<HANDLE> handles) : m_handles(std::move(handles)) {
        SIZE_T size = 0;
        ::InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
        m_buffer.resize(size);
        m_list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(m_buffer.data());
        if (!::InitializeProcThreadAttributeList(m_list, 1, 0, &size))
            FailToStart(::GetLastError());
        if (!::UpdateProcThreadAttribute(m_list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST,
                                         m_handles.data(), m_handles.size() * sizeof(HANDLE),
                                         nullptr, nullptr)) {
            const DWORD error = ::GetLastError();
            ::DeleteProcThreadAttributeList(m_list);
            FailToStart(error);
        }
    }
    ~InheritOnly() { ::DeleteProcThreadAttributeList(m_list); }
    InheritOnly(const InheritOnly&) = delete;
    InheritOnly& operator=(const InheritOnly&) = delete;

    LPPROC_THREAD_ATTRIBUTE_LIST list() const { return m_list; }

private:
    std::vector<HANDLE> m_handles;
    std::vector<char> m_buffer;
    LPPROC_THREAD_ATTRIBUTE_LIST m_list = nullptr;
};

}  // namespace

ProcessId WinProcesses::start(const std::string& commandLine, int windowMode,
                              const std::string& spareFolder) {
    // A NUL would end the command line early and start something else.
    if (commandLine.find('\0') != std::string::npos) FailToStart(ERROR_INVALID_PARAMETER);
    // CreateProcessW may write into the command line, so it gets a copy.
    std::wstring line = wideFromUtf8(commandLine);

    SECURITY_ATTRIBUTES inheritable = Inheritable();
    const OwnedHandle nothing(::CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable,
                                            OPEN_EXISTING, 0, nullptr));
    if (!nothing) FailToStart(::GetLastError());
    ErrorFile errors = OpenErrorFile(spareFolder);
    const HANDLE errorOutput = errors.writer ? errors.writer.get() : nothing.get();
    std::vector<HANDLE> inherited{nothing.get()};
    if (errorOutput != nothing.get()) inherited.push_back(errorOutput);
    const InheritOnly inheritOnly(inherited);

    STARTUPINFOEXW startup{};
    startup.StartupInfo.cb = sizeof(startup);
    startup.StartupInfo.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
    startup.StartupInfo.wShowWindow = ShowCommandOf(windowMode);
    startup.StartupInfo.hStdInput = nothing.get();
    startup.StartupInfo.hStdOutput = nothing.get();
    startup.StartupInfo.hStdError = errorOutput;
    startup.lpAttributeList = inheritOnly.list();
    const DWORD flags =
        EXTENDED_STARTUPINFO_PRESENT | (windowMode == kWindowHidden ? CREATE_NO_WINDOW : 0);
    PROCESS_INFORMATION process{};
    // The program is found by the path the command line names, never on a
    // search path when that path is absolute.
    if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, flags, nullptr, nullptr,
                          &startup.StartupInfo, &process)) {
        FailToStart(::GetLastError());
    }
    ::CloseHandle(process.hThread);
    m_started.insert_or_assign(
        process.dwProcessId,
        Started{OwnedHandle(process.hProcess), std::move(errors.reader), std::move(errors.lost)});
    return process.dwProcessId;
}

ProcessHandle WinProcesses::open(ProcessId id) {
    // A process started here is watched through the handle kept since its
    // start: OpenProcess may fail, and its handle and error file would then
    // never be released.
    if (const auto started = m_started.find(static_cast<DWORD>(id)); started != m_started.end()) {
        return reinterpret_cast<ProcessHandle>(started->second.process.get());
    }
    const HANDLE handle =
        ::OpenProcess(PROCESS_QUERY_INFORMATION | SYNCHRONIZE, FALSE, static_cast<DWORD>(id));
    return reinterpret_cast<ProcessHandle>(handle);
}

std::optional<ProcessStatus> WinProcesses::status(ProcessHandle handle) {
    // The handle is signalled once the process has ended; its code alone
    // cannot tell, since a process may end with STILL_ACTIVE (259).
    switch (::WaitForSingleObject(HandleOf(handle), 0)) {
        case WAIT_TIMEOUT:
            return ProcessStatus{.running = true};
        case WAIT_OBJECT_0:
            break;
        default:
            return std::nullopt;
    }
    DWORD code = 0;
    if (!::GetExitCodeProcess(HandleOf(handle), &code)) return std::nullopt;
    return WindowsProcessEnd(code);
}

std::size_t WinProcesses::readErrorOutput(ProcessHandle handle, std::uint64_t offset, char* buffer,
                                          std::size_t size) {
    const Started* started = startedFor(handle);
    if (!started) return 0;
    if (!started->errors) throw std::runtime_error(started->errorsLost);
    // A read at an offset of its own, so that no file position is shared.
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD got = 0;
    const auto wanted = static_cast<DWORD>(std::min<std::size_t>(size, MAXDWORD));
    if (!::ReadFile(started->errors.get(), buffer, wanted, &got, &at)) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_HANDLE_EOF) return 0;
        throw std::runtime_error(systemErrorText(error));
    }
    return got;
}

void WinProcesses::close(ProcessHandle handle) {
    if (handle == kNoProcessHandle) return;
    if (const Started* started = startedFor(handle)) {
        const bool kept = started->process.get() == HandleOf(handle);
        m_started.erase(::GetProcessId(HandleOf(handle)));
        if (kept) return;  // closed with its entry
    }
    ::CloseHandle(HandleOf(handle));
}

WinProcesses::Started* WinProcesses::startedFor(ProcessHandle handle) {
    if (handle == 0) return nullptr;
    const auto started = m_started.find(::GetProcessId(HandleOf(handle)));
    return started == m_started.end() ? nullptr : &started->second;
}

}  // namespace orlenda::platform
