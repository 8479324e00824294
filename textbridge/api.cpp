// The C entry points of textbridge. Each checks its handle, catches a failed allocation and
// answers it as the call's failure, so that nothing is thrown across the C boundary.

#include <new>

#include "qarvel/plugin_abi.h"
#include "textbridge/window.h"

using textbridge::Kind;

namespace {

tb_window* control_of(tb_hwnd dialog, int32_t id) {
    if (!textbridge::is_live(dialog)) return nullptr;
    for (tb_window* child : dialog->children) {
        if (child->id == id) return child;
    }
    return nullptr;
}

}  // namespace

extern "C" {

tb_hwnd uCreateDialog(void* instance, uint32_t resource_id, tb_hwnd parent, tb_dlgproc proc,
                      tb_lparam param) {
    return textbridge::create_dialog_from_module(instance, resource_id, parent, proc, param);
}

tb_lresult uSendMessageText(tb_hwnd window, uint32_t message, tb_wparam wparam, const char* text) {
    return textbridge::send(window, message, wparam, reinterpret_cast<tb_lparam>(text));
}

tb_lresult uSendDlgItemMessage(tb_hwnd dialog, int32_t id, uint32_t message, tb_wparam wparam,
                               tb_lparam lparam) {
    return textbridge::send(control_of(dialog, id), message, wparam, lparam);
}

int32_t uSetDlgItemText(tb_hwnd dialog, int32_t id, const char* text) {
    return textbridge::send(control_of(dialog, id), WM_SETTEXT, 0,
                            reinterpret_cast<tb_lparam>(text)) != 0
               ? 1
               : 0;
}

// The text result may be an object built in C (a table of operations and nothing more), so the
// sanitizers' vptr check, which reads C++ type information, is skipped for this call.
__attribute__((no_sanitize("vptr"))) int32_t uGetDlgItemText(tb_hwnd dialog, int32_t id,
                                                             tb_text_result* out) {
    tb_window* control = control_of(dialog, id);
    if (control == nullptr || out == nullptr) return 0;
    return out->assign(control->text.c_str(), qarvel::kNoTextLimit) ? 1 : 0;
}

intptr_t uGetWindowLong(tb_hwnd window, int32_t index) {
    if (!textbridge::is_live(window)) return 0;
    switch (index) {
        case GWL_ID:
            return window->id;
        case GWL_STYLE:
            return static_cast<intptr_t>(window->style);
        case GWL_EXSTYLE:
            return static_cast<intptr_t>(window->ex_style);
        default:
            return 0;
    }
}

tb_hwnd GetDlgItem(tb_hwnd dialog, int32_t id) {
    return control_of(dialog, id);
}

tb_hwnd tb_create_dialog_indirect(const tb_dialog_template* dialog_template, tb_hwnd parent,
                                  tb_dlgproc proc, tb_lparam param) {
    return textbridge::create_dialog(dialog_template, parent, proc, param);
}

tb_hwnd tb_create_frame(const char* title) {
    return textbridge::create_window(nullptr, Kind::frame, "qarvel frame", title, 0);
}

void tb_destroy_window(tb_hwnd window) {
    textbridge::destroy_window(window);
}

tb_lresult tb_send_message(tb_hwnd window, uint32_t message, tb_wparam wparam, tb_lparam lparam) {
    return textbridge::send(window, message, wparam, lparam);
}

tb_hwnd tb_parent(tb_hwnd window) {
    return textbridge::is_live(window) ? window->parent : nullptr;
}

uint32_t tb_child_count(tb_hwnd window) {
    return textbridge::is_live(window) ? static_cast<uint32_t>(window->children.size()) : 0;
}

tb_hwnd tb_child_at(tb_hwnd window, uint32_t index) {
    if (!textbridge::is_live(window) || index >= window->children.size()) return nullptr;
    return window->children[index];
}

const char* tb_window_class(tb_hwnd window) {
    return textbridge::is_live(window) ? window->class_name.c_str() : nullptr;
}

const char* tb_window_text(tb_hwnd window) {
    return textbridge::is_live(window) ? window->text.c_str() : nullptr;
}

void tb_window_rect(tb_hwnd window, int32_t* x, int32_t* y, int32_t* cx, int32_t* cy) {
    const bool live = textbridge::is_live(window);
    if (x != nullptr) *x = live ? window->x : 0;
    if (y != nullptr) *y = live ? window->y : 0;
    if (cx != nullptr) *cx = live ? window->cx : 0;
    if (cy != nullptr) *cy = live ? window->cy : 0;
}

const tb_dialog_template* tb_dialog_template_of(tb_hwnd dialog) {
    return textbridge::is_live(dialog) ? dialog->dialog_template : nullptr;
}

const char* tb_combo_entry(tb_hwnd combo, uint32_t index) {
    if (!textbridge::is_live(combo) || index >= combo->entries.size()) return nullptr;
    return combo->entries[index].c_str();
}

}  // extern "C"
