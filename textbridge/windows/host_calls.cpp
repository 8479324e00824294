// The calls a host makes, over user32: a frame window of textbridge's own class, and reading
// what real windows hold. Texts handed back are kept per window and per kind of question, and
// stay valid until the same question is asked of the same window again.

// clang-format off
#include <windows.h>
#include <commctrl.h>

#include <map>
#include <new>
#include <string>
#include <utility>

#include "textbridge/windows/wide_text.h"
#include "textbridge/textbridge.h"
// clang-format on

namespace {

constexpr wchar_t kFrameClass[] = L"qarvel frame";

LRESULT CALLBACK frame_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_CLOSE) {
        DestroyWindow(window);
        return 0;
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

bool register_frame_class() {
    static const bool registered = [] {
        WNDCLASSEXW frame = {};
        frame.cbSize = sizeof frame;
        frame.lpfnWndProc = frame_proc;
        frame.hInstance = GetModuleHandleW(nullptr);
        frame.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
        frame.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
        frame.lpszClassName = kFrameClass;
        return RegisterClassExW(&frame) != 0;
    }();
    return registered;
}

enum class Question { window_class, text, combo_entry };

// One answer per window, question and index; an answer replaces the previous one. Answers
// for windows since destroyed stay until the process ends: a host asks about a few dozen.
const char* keep(HWND window, Question question, uint32_t index, std::string answer) {
    static std::map<std::pair<HWND, std::pair<int, uint32_t>>, std::string> answers;
    std::string& kept = answers[{window, {static_cast<int>(question), index}}];
    kept = std::move(answer);
    return kept.c_str();
}

}  // namespace

extern "C" {

tb_hwnd tb_create_dialog_indirect(const tb_dialog_template*, tb_hwnd, tb_dlgproc, tb_lparam) {
    return nullptr;  // templates live in resources on this platform
}

tb_hwnd tb_create_frame(const char* title) {
    if (!register_frame_class()) return nullptr;
    try {
        // Sized later by the host to fit what it holds; hidden until the host shows it.
        return CreateWindowExW(0, kFrameClass, textbridge::wide_from_utf8(title).c_str(),
                               WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT, CW_USEDEFAULT,
                               640, 480, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

void tb_destroy_window(tb_hwnd window) {
    if (window != nullptr && IsWindow(window)) DestroyWindow(window);
}

tb_lresult tb_send_message(tb_hwnd window, uint32_t message, tb_wparam wparam, tb_lparam lparam) {
    return SendMessageW(window, message, wparam, lparam);
}

tb_hwnd tb_parent(tb_hwnd window) {
    if (window == nullptr || !IsWindow(window)) return nullptr;
    return (GetWindowLongPtrW(window, GWL_STYLE) & WS_CHILD) != 0 ? GetParent(window) : nullptr;
}

// A dialog's controls are made in template order, each below the one before, so the order
// from the top is the template's.
uint32_t tb_child_count(tb_hwnd window) {
    if (window == nullptr || !IsWindow(window)) return 0;
    uint32_t count = 0;
    for (HWND child = GetWindow(window, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        ++count;
    }
    return count;
}

tb_hwnd tb_child_at(tb_hwnd window, uint32_t index) {
    if (window == nullptr || !IsWindow(window)) return nullptr;
    HWND child = GetWindow(window, GW_CHILD);
    for (uint32_t i = 0; child != nullptr && i < index; ++i) child = GetWindow(child, GW_HWNDNEXT);
    return child;
}

const char* tb_window_class(tb_hwnd window) {
    if (window == nullptr || !IsWindow(window)) return nullptr;
    wchar_t name[256];
    const int length = GetClassNameW(window, name, 256);
    try {
        return keep(window, Question::window_class, 0, textbridge::utf8_from_wide(name, length));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

const char* tb_window_text(tb_hwnd window) {
    if (window == nullptr || !IsWindow(window)) return nullptr;
    try {
        return keep(window, Question::text, 0, textbridge::window_text_utf8(window));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

void tb_window_rect(tb_hwnd window, int32_t* x, int32_t* y, int32_t* cx, int32_t* cy) {
    RECT pixels = {0, 0, 0, 0};
    RECT base = {0, 0, 4, 8};  // dialog units per average character, in pixels after mapping
    const bool live = window != nullptr && IsWindow(window);
    HWND parent = live ? GetParent(window) : nullptr;
    if (live) {
        GetWindowRect(window, &pixels);
        MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&pixels), 2);
    }
    if (parent == nullptr || !MapDialogRect(parent, &base) || base.right == 0 || base.bottom == 0) {
        base = {0, 0, 4, 8};
    }
    if (x != nullptr) *x = MulDiv(pixels.left, 4, base.right);
    if (y != nullptr) *y = MulDiv(pixels.top, 8, base.bottom);
    if (cx != nullptr) *cx = MulDiv(pixels.right - pixels.left, 4, base.right);
    if (cy != nullptr) *cy = MulDiv(pixels.bottom - pixels.top, 8, base.bottom);
}

const tb_dialog_template* tb_dialog_template_of(tb_hwnd) {
    return nullptr;  // the template is in the module's resources
}

const char* tb_combo_entry(tb_hwnd combo, uint32_t index) {
    if (combo == nullptr || !IsWindow(combo)) return nullptr;
    const LRESULT count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
    if (count == CB_ERR || index >= static_cast<uint64_t>(count)) return nullptr;
    const LRESULT length = SendMessageW(combo, CB_GETLBTEXTLEN, index, 0);
    if (length == CB_ERR) return nullptr;
    try {
        std::wstring entry(static_cast<size_t>(length) + 1, L'\0');
        const LRESULT got =
            SendMessageW(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(entry.data()));
        if (got == CB_ERR) return nullptr;
        return keep(combo, Question::combo_entry, index,
                    textbridge::utf8_from_wide(entry.data(), static_cast<int>(got)));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

}  // extern "C"
