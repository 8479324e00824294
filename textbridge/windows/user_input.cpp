// What a user does to the real controls: each call sends what the user's input makes Windows
// send. Typing is WM_CHAR per UTF-16 unit (what a keystroke becomes after TranslateMessage),
// so the edit control itself applies its limit and reports EN_UPDATE and EN_CHANGE; a click
// is BM_CLICK, so the button toggles itself and reports BN_CLICKED. A pick and a drag set the
// control and send the notifications that a mouse would make it send to its dialog.

// clang-format off
#include <windows.h>
#include <commctrl.h>

#include <new>
#include <string>

#include "textbridge/windows/wide_text.h"
#include "textbridge/textbridge.h"
// clang-format on

namespace {

bool has_class(HWND window, const wchar_t* name) {
    if (window == nullptr || !IsWindow(window)) return false;
    wchar_t actual[64];
    return GetClassNameW(window, actual, 64) > 0 && lstrcmpiW(actual, name) == 0;
}

void notify_parent(HWND control, UINT notification) {
    if (!IsWindow(control)) return;
    const auto id = static_cast<WORD>(GetDlgCtrlID(control));
    SendMessageW(GetParent(control), WM_COMMAND, MAKEWPARAM(id, notification),
                 reinterpret_cast<LPARAM>(control));
}

int text_units(HWND edit) {
    return GetWindowTextLengthW(edit);
}

}  // namespace

extern "C" {

int32_t tb_user_pick(tb_hwnd combo, uint32_t index) {
    if (!has_class(combo, L"ComboBox")) return 0;
    const LRESULT count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
    if (count == CB_ERR || index >= static_cast<uint64_t>(count)) return 0;
    notify_parent(combo, CBN_DROPDOWN);
    if (!IsWindow(combo)) return 0;
    SendMessageW(combo, CB_SETCURSEL, index, 0);
    notify_parent(combo, CBN_SELCHANGE);
    notify_parent(combo, CBN_SELENDOK);
    notify_parent(combo, CBN_CLOSEUP);
    return 1;
}

int32_t tb_user_type(tb_hwnd edit, const char* text) {
    if (!has_class(edit, L"Edit")) return -1;
    if (text == nullptr) return 0;
    std::wstring wide;
    try {
        wide = textbridge::wide_from_utf8(text);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    // Typing goes where the caret is: after the box's text.
    const int end = text_units(edit);
    SendMessageW(edit, EM_SETSEL, end, end);
    int32_t accepted = 0;
    for (wchar_t unit : wide) {
        if (!IsWindow(edit)) break;
        const int before = text_units(edit);
        SendMessageW(edit, WM_CHAR, unit, 1);
        if (IsWindow(edit) && text_units(edit) > before) ++accepted;
    }
    return accepted;
}

int32_t tb_user_clear(tb_hwnd edit) {
    if (!has_class(edit, L"Edit")) return 0;
    if (text_units(edit) == 0) return 1;
    SendMessageW(edit, EM_SETSEL, 0, -1);
    SendMessageW(edit, WM_CHAR, VK_BACK, 1);
    return 1;
}

int32_t tb_user_click(tb_hwnd button) {
    if (!has_class(button, L"Button")) return 0;
    SendMessageW(button, BM_CLICK, 0, 0);
    return 1;
}

int32_t tb_user_drag(tb_hwnd trackbar, int32_t position) {
    if (!has_class(trackbar, TRACKBAR_CLASSW)) return 0;
    SendMessageW(trackbar, TBM_SETPOS, TRUE, position);
    // What the trackbar sends its dialog while the thumb is dragged and let go.
    HWND dialog = GetParent(trackbar);
    const UINT message =
        (GetWindowLongPtrW(trackbar, GWL_STYLE) & TBS_VERT) != 0 ? WM_VSCROLL : WM_HSCROLL;
    const auto at = static_cast<WORD>(SendMessageW(trackbar, TBM_GETPOS, 0, 0));
    const auto handle = reinterpret_cast<LPARAM>(trackbar);
    SendMessageW(dialog, message, MAKEWPARAM(TB_THUMBTRACK, at), handle);
    if (IsWindow(trackbar)) SendMessageW(dialog, message, MAKEWPARAM(TB_THUMBPOSITION, at), handle);
    if (IsWindow(trackbar)) SendMessageW(dialog, message, MAKEWPARAM(TB_ENDTRACK, 0), handle);
    return 1;
}

}  // extern "C"
