#pragma once
// UTF-8 to UTF-16 and back, as textbridge's Windows calls hand texts between a UTF-8 caller and
// user32's wide-character calls. Invalid sequences become U+FFFD (MultiByteToWideChar's rule).

#include <string>

struct HWND__;

namespace textbridge {

std::wstring wide_from_utf8(const char* text);
std::string utf8_from_wide(const wchar_t* text, int length);

// A window's whole text as UTF-8.
std::string window_text_utf8(HWND__* window);

}  // namespace textbridge
