#include "platform/win/win_text.h"

#include <windows.h>

#include <climits>
#include <stdexcept>

namespace orlenda::platform {
namespace {

int ApiLength(std::size_t size) {
    if (size > INT_MAX) throw std::length_error("The text is too long for the system.");
    return static_cast<int>(size);
}

}  // namespace

std::wstring WideFromUtf8(std::string_view utf8) {
    if (utf8.empty()) return {};
    const int length = ApiLength(utf8.size());
    std::wstring wide(static_cast<std::size_t>(
                          ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, nullptr, 0)),
                      L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, wide.data(), ApiLength(wide.size()));
    return wide;
}

std::string Utf8FromWide(std::wstring_view wide) {
    if (wide.empty()) return {};
    const int length = ApiLength(wide.size());
    std::string utf8(static_cast<std::size_t>(::WideCharToMultiByte(CP_UTF8, 0, wide.data(), length,
                                                                    nullptr, 0, nullptr, nullptr)),
                     '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, utf8.data(), ApiLength(utf8.size()),
                          nullptr, nullptr);
    return utf8;
}

std::optional<std::wstring> WideFromCodePage(unsigned codePage, std::string_view bytes) {
    if (bytes.empty()) return std::wstring();
    const int length = ApiLength(bytes.size());
    const int needed =
        ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), length, nullptr, 0);
    if (needed == 0) return std::nullopt;
    std::wstring wide(static_cast<std::size_t>(needed), L'\0');
    ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), length, wide.data(),
                          needed);
    return wide;
}

std::optional<std::string> CodePageFromWide(unsigned codePage, std::wstring_view wide) {
    if (wide.empty()) return std::string();
    const int length = ApiLength(wide.size());
    BOOL lost = FALSE;
    const int needed = ::WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, wide.data(), length,
                                             nullptr, 0, nullptr, &lost);
    if (needed == 0 || lost) return std::nullopt;
    std::string bytes(static_cast<std::size_t>(needed), '\0');
    ::WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, wide.data(), length, bytes.data(), needed,
                          nullptr, nullptr);
    return bytes;
}

std::string SystemErrorText(unsigned long error) {
    wchar_t* message = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t*>(&message), 0, nullptr);
    std::wstring text = length > 0 ? std::wstring(message, length) : std::wstring();
    ::LocalFree(message);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L'.' ||
                             text.back() == L' ')) {
        text.pop_back();
    }
    if (text.empty()) return "error " + std::to_string(error);
    return Utf8FromWide(text);
}

}  // namespace orlenda::platform
