#include "textbridge/windows/wide_text.h"

#include <windows.h>

namespace textbridge {

std::wstring wide_from_utf8(const char* text) {
    if (text == nullptr || text[0] == '\0') return std::wstring();
    const int units = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
    if (units <= 1) return std::wstring();
    std::wstring wide(static_cast<size_t>(units), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text, -1, wide.data(), units);
    wide.resize(static_cast<size_t>(units - 1));  // the terminator
    return wide;
}

std::string utf8_from_wide(const wchar_t* text, int length) {
    if (text == nullptr || length <= 0) return std::string();
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return std::string();
    std::string utf8(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, length, utf8.data(), bytes, nullptr, nullptr);
    return utf8;
}

std::string window_text_utf8(HWND window) {
    const int length = GetWindowTextLengthW(window);
    if (length <= 0) return std::string();
    std::wstring wide(static_cast<size_t>(length) + 1, L'\0');
    const int got = GetWindowTextW(window, wide.data(), length + 1);
    return utf8_from_wide(wide.data(), got);
}

}  // namespace textbridge
