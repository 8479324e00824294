// The calls a plug-in makes, over user32: texts converted from and to UTF-8, everything else
// passed through. Nothing is thrown across the C boundary: a failed allocation answers as the
// call's failure.

// clang-format off
// The ABI header first: windows.h defines SEVERITY_ERROR as a macro.
#include "qarvel/plugin_abi.h"

#include <windows.h>
#include <commctrl.h>

#include <new>
#include <string>

#include "textbridge/windows/wide_text.h"
#include "textbridge/textbridge.h"
// clang-format on

namespace {

// The trackbar's window class belongs to the common controls, which must be registered before
// a dialog that holds one can be made.
void register_common_controls() {
    static const bool registered = [] {
        INITCOMMONCONTROLSEX controls = {sizeof(INITCOMMONCONTROLSEX), ICC_BAR_CLASSES};
        return InitCommonControlsEx(&controls) != FALSE;
    }();
    (void)registered;
}

}  // namespace

extern "C" {

tb_hwnd uCreateDialog(void* instance, uint32_t resource_id, tb_hwnd parent, tb_dlgproc proc,
                      tb_lparam param) {
    register_common_controls();
    return CreateDialogParamW(static_cast<HINSTANCE>(instance),
                              MAKEINTRESOURCEW(static_cast<WORD>(resource_id)), parent,
                              reinterpret_cast<DLGPROC>(proc), param);
}

tb_lresult uSendMessageText(tb_hwnd window, uint32_t message, tb_wparam wparam, const char* text) {
    try {
        const std::wstring wide = textbridge::wide_from_utf8(text);
        return SendMessageW(window, message, wparam, reinterpret_cast<LPARAM>(wide.c_str()));
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

tb_lresult uSendDlgItemMessage(tb_hwnd dialog, int32_t id, uint32_t message, tb_wparam wparam,
                               tb_lparam lparam) {
    return SendDlgItemMessageW(dialog, id, message, wparam, lparam);
}

int32_t uSetDlgItemText(tb_hwnd dialog, int32_t id, const char* text) {
    try {
        return SetDlgItemTextW(dialog, id, textbridge::wide_from_utf8(text).c_str()) ? 1 : 0;
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

int32_t uGetDlgItemText(tb_hwnd dialog, int32_t id, tb_text_result* out) {
    HWND control = GetDlgItem(dialog, id);
    if (control == nullptr || out == nullptr) return 0;
    try {
        return out->assign(textbridge::window_text_utf8(control).c_str(), qarvel::kNoTextLimit) ? 1
                                                                                                : 0;
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

intptr_t uGetWindowLong(tb_hwnd window, int32_t index) {
    return GetWindowLongPtrW(window, index);
}

}  // extern "C"
