#pragma once

#include <windows.h>

#include <utility>

namespace orlenda {

// A handle of the Windows API, closed with its owner: the one owner of a
// handle in both programs. Both null and INVALID_HANDLE_VALUE, which the API
// uses in turn for "none", hold nothing.
class OwnedHandle {
public:
    OwnedHandle() = default;
    explicit OwnedHandle(HANDLE handle) : m_handle(handle) {}
    OwnedHandle(OwnedHandle&& other) noexcept : m_handle(other.release()) {}
    OwnedHandle& operator=(OwnedHandle&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    OwnedHandle(const OwnedHandle&) = delete;
    OwnedHandle& operator=(const OwnedHandle&) = delete;
    ~OwnedHandle() { reset(); }

    explicit operator bool() const {
        return m_handle != nullptr && m_handle != INVALID_HANDLE_VALUE;
    }
    HANDLE get() const { return m_handle; }
    // Hands the handle over, to be closed by whoever takes it.
    HANDLE release() { return std::exchange(m_handle, nullptr); }
    // Closes what was held, then holds handle.
    void reset(HANDLE handle = nullptr) {
        if (*this) ::CloseHandle(m_handle);
        m_handle = handle;
    }

private:
    HANDLE m_handle = nullptr;
};

}  // namespace orlenda
