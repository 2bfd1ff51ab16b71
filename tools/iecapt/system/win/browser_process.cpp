#include "system/browser_process.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <cwchar>
#include <sstream>
#include <thread>
#include <utility>

#include "common/deadline.h"
#include "common/exit_code.h"
#include "shared/win/owned_handle.h"
#include "shared/win/win_text.h"

namespace orlenda::iecapt {
namespace {

// Where Chrome, Chromium and Edge install themselves, below Program Files for
// all users or below %LOCALAPPDATA% for one, and the names they go by on PATH.
constexpr const char* kInstallFolders[] = {"Google\\Chrome\\Application", "Chromium\\Application",
                                           "Microsoft\\Edge\\Application"};
constexpr const char* kProgramNames[] = {"chrome.exe", "chrome.exe", "msedge.exe"};
constexpr const char* kSearchNames[] = {"chrome.exe", "chromium.exe", "msedge.exe"};

std::string environmentValue(const wchar_t* name) {
    std::wstring value(32767, L'\0');
    const DWORD length =
        ::GetEnvironmentVariableW(name, value.data(), static_cast<DWORD>(value.size()));
    value.resize(length < value.size() ? length : 0);
    return utf8FromWide(value);
}

bool isFile(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesW(wideFromUtf8(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// The folders the installers use, for all users first, then for this one.
std::vector<std::string> installRoots() {
    std::vector<std::string> roots;
    for (const wchar_t* name : {L"ProgramFiles", L"ProgramFiles(x86)", L"LOCALAPPDATA"}) {
        const std::string root = environmentValue(name);
        if (!root.empty() && std::ranges::find(roots, root) == roots.end()) roots.push_back(root);
    }
    return roots;
}

std::string installedBrowser(const std::vector<std::string>& roots) {
    for (std::size_t browser = 0; browser < std::size(kInstallFolders); ++browser) {
        for (const std::string& root : roots) {
            const std::string candidate =
                root + "\\" + kInstallFolders[browser] + "\\" + kProgramNames[browser];
            if (isFile(candidate)) return candidate;
        }
    }
    return {};
}

std::string listed(const std::vector<std::string>& items) {
    std::string text;
    for (std::size_t i = 0; i < items.size(); ++i) {
        text += (i == 0 ? "" : i + 1 == items.size() ? " and " : ", ") + items[i];
    }
    return text;
}

// One argument as the child's C runtime splits it back out (the
// CommandLineToArgvW rules): in quotes when it holds a blank or a quote,
// backslashes doubled where they stand before a quote.
std::wstring quoted(const std::wstring& argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
        return argument;
    }
    std::wstring line = L"\"";
    std::size_t pendingBackslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++pendingBackslashes;
            continue;
        }
        line.append(c == L'"' ? pendingBackslashes * 2 + 1 : pendingBackslashes, L'\\');
        line += c;
        pendingBackslashes = 0;
    }
    line.append(pendingBackslashes * 2, L'\\');
    return line + L"\"";
}

std::wstring commandLine(const std::vector<std::string>& arguments) {
    std::wstring line;
    for (const std::string& argument : arguments) {
        if (!line.empty()) line += L' ';
        line += quoted(wideFromUtf8(argument));
    }
    return line;
}

// "NAME=value" entries, each ended by a NUL, and one more NUL at the end.
std::wstring environmentBlock(const std::vector<std::string>& environment) {
    std::wstring block;
    for (const std::string& entry : environment) block += wideFromUtf8(entry) + L'\0';
    return block + L'\0';
}

[[noreturn]] void failToStart(const std::string& what) {
    throw CaptureFailure(ExitCode::BrowserFailed, what + ": " + lastErrorText());
}

// One direction of the protocol pipe: our end overlapped, so waits can have
// deadlines; the browser's end plain and inheritable, as it reads and writes
// it without overlapping.
struct Pipe {
    OwnedHandle ours;
    OwnedHandle browsers;
};

Pipe makePipe(bool browserReads) {
    static std::atomic<unsigned> made{0};
    const std::wstring name = L"\\\\.\\pipe\\orlenda-iecapt-" +
                              std::to_wstring(::GetCurrentProcessId()) + L"-" +
                              std::to_wstring(made++) + L"-" + std::to_wstring(::GetTickCount64());
    Pipe pipe;
    // First instance only, and local only: no other process can slip in
    // between this end and ours.
    pipe.ours.reset(::CreateNamedPipeW(
        name.c_str(),
        (browserReads ? PIPE_ACCESS_OUTBOUND : PIPE_ACCESS_INBOUND) | FILE_FLAG_OVERLAPPED |
            FILE_FLAG_FIRST_PIPE_INSTANCE,
        PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1, 1 << 20,
        1 << 20, 0, nullptr));
    if (!pipe.ours) failToStart("cannot make a pipe");
    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    pipe.browsers.reset(::CreateFileW(name.c_str(), browserReads ? GENERIC_READ : GENERIC_WRITE, 0,
                                      &inheritable, OPEN_EXISTING, 0, nullptr));
    if (!pipe.browsers) failToStart("cannot make a pipe");
    return pipe;
}

OwnedHandle openInheritable(const std::string& path, DWORD access, DWORD creation) {
    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    return OwnedHandle(::CreateFileW(wideFromUtf8(path).c_str(), access,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     &inheritable, creation, FILE_ATTRIBUTE_NORMAL, nullptr));
}

// The C runtime's table of inherited descriptors, as its startup code reads
// it from STARTUPINFO.lpReserved2: their count, a flag byte each, then their
// handles, packed. Descriptors 3 and 4 carry the protocol, as on POSIX.
std::vector<unsigned char> descriptorTable(
    const std::vector<std::pair<HANDLE, unsigned char>>& fds) {
    const int count = static_cast<int>(fds.size());
    std::vector<unsigned char> table(sizeof count + fds.size() * (1 + sizeof(HANDLE)));
    std::memcpy(table.data(), &count, sizeof count);
    for (std::size_t fd = 0; fd < fds.size(); ++fd) {
        table[sizeof count + fd] = fds[fd].second;
        std::memcpy(table.data() + sizeof count + fds.size() + fd * sizeof(HANDLE), &fds[fd].first,
                    sizeof(HANDLE));
    }
    return table;
}

// The C runtime's descriptor flags: open, a pipe, a character device.
constexpr unsigned char kOpen = 0x01;
constexpr unsigned char kPipe = 0x08;
constexpr unsigned char kDevice = 0x40;

OwnedHandle makeKillingJob() {
    OwnedHandle job(::CreateJobObjectW(nullptr, nullptr));
    if (!job) failToStart("cannot make a job object for the browser");
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    // However the tool ends, the system closes the job and ends all in it.
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (!::SetInformationJobObject(job.get(), JobObjectExtendedLimitInformation, &limits,
                                   sizeof limits)) {
        failToStart("cannot make a job object for the browser");
    }
    return job;
}

}  // namespace

std::string findBrowser(const std::string& given, const std::string& searchPath) {
    if (given.find_first_of("\\/:") != std::string::npos) return isFile(given) ? given : "";
    std::vector<std::string> names;
    if (given.empty()) {
        names.assign(std::begin(kSearchNames), std::end(kSearchNames));
    } else {
        names.push_back(given.find('.') == std::string::npos ? given + ".exe" : given);
    }
    for (const std::string& name : names) {
        std::istringstream folders(searchPath);
        std::string folder;
        while (std::getline(folders, folder, ';')) {
            std::erase(folder, '"');
            if (!folder.empty() && isFile(folder + "\\" + name)) return folder + "\\" + name;
        }
    }
    return {};
}

BrowserLookup lookForBrowser(const std::string& given) {
    BrowserLookup lookup;
    const std::vector<std::string> roots = installRoots();
    if (given.empty()) lookup.path = installedBrowser(roots);
    if (lookup.path.empty()) lookup.path = findBrowser(given, environmentValue(L"PATH"));
    if (!lookup.path.empty()) return lookup;
    if (!given.empty()) {
        lookup.problem = "the browser " + given + " is not an executable file";
        return lookup;
    }
    std::vector<std::string> folders(std::begin(kInstallFolders), std::end(kInstallFolders));
    std::vector<std::string> names(std::begin(kSearchNames), std::end(kSearchNames));
    lookup.problem =
        "no browser found: install Chrome, Chromium or Edge, or give --browser=PATH (looked in " +
        (roots.empty() ? std::string() : listed(roots) + " under " + listed(folders) + ", and ") +
        "for " + listed(names) + " on PATH)";
    return lookup;
}

std::string_view browserSearchHelp() {
    return "  --browser=PATH       the browser to run (default: Chrome, Chromium or Edge\n"
           "                       where they install, for all users or for this one,\n"
           "                       else chrome.exe, chromium.exe or msedge.exe on PATH)\n";
}

std::vector<std::string> currentEnvironment() {
    std::vector<std::string> environment;
    wchar_t* const block = ::GetEnvironmentStringsW();
    for (const wchar_t* entry = block; entry != nullptr && *entry != L'\0';
         entry += std::wcslen(entry) + 1) {
        environment.push_back(utf8FromWide(entry));
    }
    if (block != nullptr) ::FreeEnvironmentStringsW(block);
    return environment;
}

bool runningAsRoot() { return false; }

// Handles are not counted so: no limit a browser would meet.
std::optional<long long> openFilesLimit() { return std::nullopt; }

// The browser keeps its profile where --user-data-dir says; only its
// temporary files need steering.
std::vector<std::string> browserEnvironment(const std::vector<std::string>& inherited,
                                            const std::string&, const std::string& temporaryFiles) {
    return environmentWith(inherited, {{"TEMP", temporaryFiles}, {"TMP", temporaryFiles}},
                           VariableNames::CaseInsensitive);
}

struct BrowserProcess::Running {
    OwnedHandle process;
    OwnedHandle job;
};

BrowserProcess::BrowserProcess(const std::vector<std::string>& arguments,
                               const std::vector<std::string>& environment,
                               const std::string& logPath)
    : m_running(std::make_unique<Running>()), m_toBrowser(nullptr), m_fromBrowser(nullptr) {
    Pipe commands = makePipe(true);
    Pipe events = makePipe(false);
    OwnedHandle nothing = openInheritable("NUL", GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING);
    OwnedHandle log = openInheritable(logPath, GENERIC_WRITE, CREATE_ALWAYS);
    if (!log) log.reset(openInheritable("NUL", GENERIC_WRITE, OPEN_EXISTING).release());
    if (!nothing || !log) failToStart("cannot open NUL for the browser");
    m_running->job = makeKillingJob();

    // Both hand-offs: descriptors 3 and 4 for a browser that takes them from
    // its C runtime, and the handles' numbers for one that takes
    // --remote-debugging-io-pipes.
    std::vector<std::string> line = arguments;
    line.insert(line.begin() + 1,
                "--remote-debugging-io-pipes=" +
                    std::to_string(reinterpret_cast<std::uintptr_t>(commands.browsers.get())) +
                    "," + std::to_string(reinterpret_cast<std::uintptr_t>(events.browsers.get())));
    std::wstring commandText = commandLine(line);
    std::wstring environmentText = environmentBlock(environment);
    std::vector<unsigned char> descriptors =
        descriptorTable({{nothing.get(), kOpen | kDevice},
                         {log.get(), kOpen},
                         {log.get(), kOpen},
                         {commands.browsers.get(), kOpen | kPipe},
                         {events.browsers.get(), kOpen | kPipe}});

    // The browser inherits these four and nothing else the tool holds.
    HANDLE inherited[] = {nothing.get(), log.get(), commands.browsers.get(), events.browsers.get()};
    SIZE_T listSize = 0;
    ::InitializeProcThreadAttributeList(nullptr, 1, 0, &listSize);
    std::vector<unsigned char> list(listSize);
    auto* attributes = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(list.data());
    if (!::InitializeProcThreadAttributeList(attributes, 1, 0, &listSize) ||
        !::UpdateProcThreadAttribute(attributes, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, inherited,
                                     sizeof inherited, nullptr, nullptr)) {
        failToStart("cannot start the browser");
    }
    STARTUPINFOEXW startup{};
    startup.StartupInfo.cb = sizeof startup;
    startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
    startup.StartupInfo.hStdInput = nothing.get();
    startup.StartupInfo.hStdOutput = log.get();
    startup.StartupInfo.hStdError = log.get();
    startup.StartupInfo.cbReserved2 = static_cast<WORD>(descriptors.size());
    startup.StartupInfo.lpReserved2 = descriptors.data();
    startup.lpAttributeList = attributes;

    // Suspended until it is in the job, so that none of its helpers starts
    // outside it; no console and a group of its own, so that Ctrl+C reaches
    // the tool, which ends the browser itself.
    PROCESS_INFORMATION started{};
    const BOOL ran = ::CreateProcessW(
        wideFromUtf8(arguments.front()).c_str(), commandText.data(), nullptr, nullptr, TRUE,
        CREATE_SUSPENDED | CREATE_UNICODE_ENVIRONMENT | EXTENDED_STARTUPINFO_PRESENT |
            CREATE_NO_WINDOW | CREATE_NEW_PROCESS_GROUP,
        environmentText.data(), nullptr, &startup.StartupInfo, &started);
    const DWORD error = ::GetLastError();
    ::DeleteProcThreadAttributeList(attributes);
    if (!ran) {
        throw CaptureFailure(ExitCode::BrowserFailed,
                             "cannot run " + arguments.front() + ": " + systemErrorText(error));
    }
    m_running->process.reset(started.hProcess);
    const OwnedHandle thread(started.hThread);
    if (!::AssignProcessToJobObject(m_running->job.get(), started.hProcess)) {
        const std::string reason = lastErrorText();
        ::TerminateProcess(started.hProcess, 1);
        throw CaptureFailure(ExitCode::BrowserFailed,
                             "cannot put the browser in a job object: " + reason);
    }
    ::ResumeThread(started.hThread);
    m_toBrowser = commands.ours.release();
    m_fromBrowser = events.ours.release();
}

BrowserProcess::~BrowserProcess() { stop(); }

void BrowserProcess::kill() {
    // Nothing in the browser is worth keeping: the image is written by the
    // tool, and the profile is thrown away.
    if (m_running->job) ::TerminateJobObject(m_running->job.get(), 1);
}

void BrowserProcess::stop() {
    if (!m_running->job) return;
    kill();
    // Until the job holds no process, its helpers included.
    const Deadline limit = Deadline::after(std::chrono::seconds(5));
    JOBOBJECT_BASIC_ACCOUNTING_INFORMATION accounting{};
    while (!limit.expired() &&
           ::QueryInformationJobObject(m_running->job.get(), JobObjectBasicAccountingInformation,
                                       &accounting, sizeof accounting, nullptr) &&
           accounting.ActiveProcesses > 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ::WaitForSingleObject(m_running->process.get(), static_cast<DWORD>(limit.pollTimeout()));
    m_running->process.reset();
    m_running->job.reset();
}

void adoptOrphanedDescendants() {}

}  // namespace orlenda::iecapt
