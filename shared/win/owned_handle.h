#pragma once

#include <windows.h>

#include <utility>

namespace orlenda::platform {

// A handle of the Windows API, closed with its owner. Both null and
// INVALID_HANDLE_VALUE, which the API uses in turn for "none", hold nothing.
class OwnedHandle {
public:
    OwnedHandle() = default;
    explicit OwnedHandle(HANDLE handle) : m_handle(handle) {}
    OwnedHandle(OwnedHandle&& other) noexcept : m_handle(std::exchange(other.m_handle, nullptr)) {}
    OwnedHandle& operator=(OwnedHandle&& other) noexcept {
        std::swap(m_handle, other.m_handle);
        return *this;
    }
    OwnedHandle(const OwnedHandle&) = delete;
    OwnedHandle& operator=(const OwnedHandle&) = delete;
    ~OwnedHandle() {
        if (*this) ::CloseHandle(m_handle);
    }

    explicit operator bool() const {
        return m_handle != nullptr && m_handle != INVALID_HANDLE_VALUE;
    }
    HANDLE get() const { return m_handle; }

private:
    HANDLE m_handle = nullptr;
};

}  // namespace orlenda::platform
