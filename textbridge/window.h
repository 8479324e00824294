#pragma once
// The windows of textbridge: one record per window, the controls' own message handling, and
// the registry that tells a live handle from a stale one.
//
// Memory: the standard containers are used inside; every C entry point catches a failed
// allocation and answers as the call's failure (null or 0), so nothing is thrown across it.

#include <cstdint>
#include <string>
#include <vector>

#include "textbridge/textbridge.h"

namespace textbridge {

enum class Kind {
    frame,
    dialog,
    button,
    check_box,
    group_box,
    combo_box,
    edit,
    static_text,
    trackbar,
    other
};

// The kind of control a template item makes, from its class and style.
Kind kind_of(const char* window_class, uint32_t style);

}  // namespace textbridge

struct tb_window {
    textbridge::Kind kind = textbridge::Kind::other;
    std::string class_name;
    std::string text;
    uint32_t style = 0;
    uint32_t ex_style = 0;
    int32_t id = 0;
    int16_t x = 0, y = 0, cx = 0, cy = 0;
    tb_window* parent = nullptr;
    std::vector<tb_window*> children;  // owned, in creation order

    // Dialogs.
    tb_dlgproc proc = nullptr;
    const tb_dialog_template* dialog_template = nullptr;

    // Combo boxes.
    std::vector<std::string> entries;
    int32_t selection = CB_ERR;

    // Edit boxes: the most UTF-16 units a user may type (Windows' default for one line).
    uint32_t text_limit = 30000;

    // Buttons.
    uint32_t check = BST_UNCHECKED;

    // Trackbars.
    int32_t range_min = 0;
    int32_t range_max = 100;
    int32_t position = 0;
};

namespace textbridge {

// A new window, registered as live and added to its parent's children (parent may be null).
// Null when memory ran out.
tb_window* create_window(tb_window* parent, Kind kind, const char* window_class, const char* text,
                         uint32_t style);
// Unregisters and frees a window and its children; a dialog hears WM_DESTROY first.
void destroy_window(tb_window* window);
// Whether `window` is a live window.
bool is_live(const tb_window* window);

// Delivers a message as SendMessage does (bounded nesting, see TB_MAX_MESSAGE_DEPTH).
tb_lresult send(tb_window* window, uint32_t message, tb_wparam wparam, tb_lparam lparam);
// Sends a control's notification to its dialog: WM_COMMAND (id, code), the control's handle.
void notify(tb_window* control, uint32_t code);

// A dialog from a template (kept by reference), its controls in template order, then
// WM_INITDIALOG. Null for a malformed template, a dead parent or no memory.
tb_window* create_dialog(const tb_dialog_template* dialog_template, tb_window* parent,
                         tb_dlgproc proc, tb_lparam param);
// The same from dialog resource `resource_id` of the module whose dlopen handle is `instance`.
tb_window* create_dialog_from_module(void* instance, uint32_t resource_id, tb_window* parent,
                                     tb_dlgproc proc, tb_lparam param);

// Text held by a window, set as WM_SETTEXT sets it (an edit box reports the change).
bool set_text(tb_window* window, const char* text);

// UTF-16 units needed for the UTF-8 text (what an edit box's limit counts); a malformed byte
// counts as one unit.
uint32_t utf16_units(const std::string& text);
// Bytes of the UTF-8 character starting at text[0] (1 for a malformed or cut-off one).
uint32_t utf8_character_bytes(const char* text);

}  // namespace textbridge
