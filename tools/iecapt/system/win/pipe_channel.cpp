#include "system/pipe_channel.h"

#include <windows.h>

#include <algorithm>
#include <vector>

#include "common/exit_code.h"
#include "shared/win/win_text.h"

namespace orlenda::iecapt {
namespace {

constexpr DWORD kReadChunk = 1 << 20;

// Our ends are overlapped: every transfer is started, then waited for beside
// the interrupt with the deadline as time-out. A read that was not done in
// time stays under way into the ends' own buffer, and the next call waits for
// it again, so no byte is lost and nothing has to be cancelled.
class WindowsPipeEnds : public PipeEnds {
public:
    WindowsPipeEnds(HANDLE toBrowser, HANDLE fromBrowser, HANDLE interrupt)
        : m_toBrowser(toBrowser),
          m_fromBrowser(fromBrowser),
          m_interrupt(interrupt),
          m_readBuffer(kReadChunk) {
        m_read.hEvent = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
        m_write.hEvent = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
        // Without its events no transfer could be waited for.
        if (m_read.hEvent == nullptr || m_write.hEvent == nullptr) {
            const std::string reason = lastErrorText();
            closeAll();
            throw CaptureFailure(ExitCode::BrowserFailed,
                                 "cannot wait on the browser's pipe: " + reason);
        }
    }

    ~WindowsPipeEnds() override {
        if (m_readUnderWay) finish(m_fromBrowser, m_read, true);
        closeAll();
    }
    WindowsPipeEnds(const WindowsPipeEnds&) = delete;
    WindowsPipeEnds& operator=(const WindowsPipeEnds&) = delete;

    bool interrupted() const override {
        return ::WaitForSingleObject(m_interrupt, 0) == WAIT_OBJECT_0;
    }

    ChannelStatus writeSome(std::string_view& bytes, Deadline deadline) override {
        const DWORD size = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), kReadChunk));
        if (!::WriteFile(m_toBrowser, bytes.data(), size, nullptr, &m_write) &&
            ::GetLastError() != ERROR_IO_PENDING) {
            return ChannelStatus::Closed;
        }
        const ChannelStatus waited = waitFor(m_write.hEvent, deadline);
        // A write may not outlive this call: its bytes are the caller's.
        const auto written = finish(m_toBrowser, m_write, waited != ChannelStatus::Ok);
        if (written) bytes.remove_prefix(*written);
        if (waited != ChannelStatus::Ok) return waited;
        return written ? ChannelStatus::Ok : ChannelStatus::Closed;
    }

    ChannelStatus readSome(MessageFramer& framer, Deadline deadline) override {
        if (!m_readUnderWay) {
            if (!::ReadFile(m_fromBrowser, m_readBuffer.data(), kReadChunk, nullptr, &m_read) &&
                ::GetLastError() != ERROR_IO_PENDING) {
                return ChannelStatus::Closed;  // ERROR_BROKEN_PIPE: the browser has gone
            }
            m_readUnderWay = true;
        }
        const ChannelStatus waited = waitFor(m_read.hEvent, deadline);
        if (waited != ChannelStatus::Ok) return waited;
        m_readUnderWay = false;
        const auto got = finish(m_fromBrowser, m_read, false);
        if (!got) return ChannelStatus::Closed;
        framer.append(std::string_view(m_readBuffer.data(), *got));
        return ChannelStatus::Ok;
    }

private:
    void closeAll() {
        for (const HANDLE handle : {m_toBrowser, m_fromBrowser, m_read.hEvent, m_write.hEvent}) {
            if (handle != nullptr) ::CloseHandle(handle);
        }
    }

    ChannelStatus waitFor(HANDLE done, Deadline deadline) const {
        const HANDLE handles[] = {m_interrupt, done};
        switch (::WaitForMultipleObjects(2, handles, FALSE,
                                         static_cast<DWORD>(deadline.pollTimeout()))) {
            case WAIT_OBJECT_0:
                return ChannelStatus::Interrupted;
            case WAIT_OBJECT_0 + 1:
                return ChannelStatus::Ok;
            case WAIT_TIMEOUT:
                return ChannelStatus::TimedOut;
            default:
                return ChannelStatus::Closed;
        }
    }

    // The bytes a transfer moved, once it has ended (cancelled first, when
    // asked); nothing when it failed.
    static std::optional<std::size_t> finish(HANDLE pipe, OVERLAPPED& transfer, bool cancel) {
        if (cancel) ::CancelIoEx(pipe, &transfer);
        DWORD moved = 0;
        if (!::GetOverlappedResult(pipe, &transfer, &moved, TRUE)) return std::nullopt;
        return moved;
    }

    HANDLE m_toBrowser;
    HANDLE m_fromBrowser;
    HANDLE m_interrupt;
    OVERLAPPED m_read{};
    OVERLAPPED m_write{};
    bool m_readUnderWay = false;
    std::vector<char> m_readBuffer;
};

}  // namespace

std::unique_ptr<PipeEnds> openPipeEnds(NativeHandle toBrowser, NativeHandle fromBrowser,
                                       NativeHandle interrupt) {
    return std::make_unique<WindowsPipeEnds>(toBrowser, fromBrowser, interrupt);
}

}  // namespace orlenda::iecapt
