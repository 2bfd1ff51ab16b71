#include "shared/win/win_text.h"

#include <windows.h>

#include <climits>
#include <stdexcept>

namespace orlenda {
namespace {

int apiLength(std::size_t size) {
    if (size > INT_MAX) throw std::length_error("The text is too long for the system.");
    return static_cast<int>(size);
}

}  // namespace

std::wstring wideFromUtf8(std::string_view utf8) {
    if (utf8.empty()) return {};
    const int length = apiLength(utf8.size());
    std::wstring wide(static_cast<std::size_t>(
                          ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, nullptr, 0)),
                      L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, wide.data(), apiLength(wide.size()));
    return wide;
}

std::string utf8FromWide(std::wstring_view wide) {
    if (wide.empty()) return {};
    const int length = apiLength(wide.size());
    std::string utf8(static_cast<std::size_t>(::WideCharToMultiByte(CP_UTF8, 0, wide.data(), length,
                                                                    nullptr, 0, nullptr, nullptr)),
                     '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, utf8.data(), apiLength(utf8.size()),
                          nullptr, nullptr);
    return utf8;
}

std::optional<std::wstring> wideFromCodePage(unsigned codePage, std::string_view bytes) {
    if (bytes.empty()) return std::wstring();
    const int length = apiLength(bytes.size());
    const int needed =
        ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), length, nullptr, 0);
    if (needed == 0) return std::nullopt;
    std::wstring wide(static_cast<std::size_t>(needed), L'\0');
    ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), length, wide.data(),
                          needed);
    return wide;
}

std::optional<std::string> codePageFromWide(unsigned codePage, std::wstring_view wide) {
    if (wide.empty()) return std::string();
    const int length = apiLength(wide.size());
    BOOL lost = FALSE;
    const int needed = ::WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, wide.data(), length,
                                             nullptr, 0, nullptr, &lost);
    if (needed == 0 || lost) return std::nullopt;
    std::string bytes(static_cast<std::size_t>(needed), '\0');
    ::WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, wide.data(), length, bytes.data(), needed,
                          nullptr, nullptr);
    return bytes;
}

std::string systemErrorText(unsigned long error) {
    wchar_t* message = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t*>(&message), 0, nullptr);
    std::wstring text = length > 0 ? std::wstring(message, length) : std::wstring();
    ::LocalFree(message);
    // The system's texts end with a full stop and a line break, and some
    // break lines within.
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L'.' ||
                             text.back() == L' ')) {
        text.pop_back();
    }
    for (wchar_t& c : text) {
        if (c < 0x20 || c == 0x7F) c = L' ';
    }
    if (text.empty()) return "error " + std::to_string(error);
    return utf8FromWide(text);
}

std::string lastErrorText() { return systemErrorText(::GetLastError()); }

}  // namespace orlenda
