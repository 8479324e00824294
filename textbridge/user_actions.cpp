// What a user does to the controls, with the notifications Windows sends for it.

#include <new>

#include "textbridge/window.h"

using textbridge::Kind;

namespace {

bool is(tb_hwnd window, Kind kind) {
    return textbridge::is_live(window) && window->kind == kind;
}

// Sends the scroll messages of one drag to the trackbar's dialog.
void report_drag(tb_window* trackbar) {
    tb_window* dialog = trackbar->parent;
    if (dialog == nullptr || dialog->kind != Kind::dialog) return;
    const uint32_t message = (trackbar->style & TBS_VERT) != 0 ? WM_VSCROLL : WM_HSCROLL;
    const auto handle = reinterpret_cast<tb_lparam>(trackbar);
    const auto at = static_cast<uint16_t>(trackbar->position);
    textbridge::send(dialog, message, TB_MAKEWPARAM(TB_THUMBTRACK, at), handle);
    if (!textbridge::is_live(trackbar)) return;
    textbridge::send(dialog, message, TB_MAKEWPARAM(TB_THUMBPOSITION, at), handle);
    if (!textbridge::is_live(trackbar)) return;
    textbridge::send(dialog, message, TB_MAKEWPARAM(TB_ENDTRACK, 0), handle);
}

}  // namespace

extern "C" {

int32_t tb_user_pick(tb_hwnd combo, uint32_t index) {
    if (!is(combo, Kind::combo_box) || index >= combo->entries.size()) return 0;
    try {
        textbridge::notify(combo, CBN_DROPDOWN);
        if (!is(combo, Kind::combo_box) || index >= combo->entries.size()) return 0;
        combo->selection = static_cast<int32_t>(index);
        combo->text = combo->entries[index];
    } catch (const std::bad_alloc&) {
        return 0;
    }
    textbridge::notify(combo, CBN_SELCHANGE);
    textbridge::notify(combo, CBN_SELENDOK);
    textbridge::notify(combo, CBN_CLOSEUP);
    return 1;
}

int32_t tb_user_type(tb_hwnd edit, const char* text) {
    if (!is(edit, Kind::edit)) return -1;
    if (text == nullptr) return 0;
    int32_t accepted = 0;
    try {
        for (const char* p = text; *p != '\0';) {
            const uint32_t bytes = textbridge::utf8_character_bytes(p);
            const std::string character(p, bytes);
            p += bytes;
            if (!is(edit, Kind::edit)) break;
            // The limit counts what is typed, as Windows counts it: UTF-16 units.
            if (textbridge::utf16_units(edit->text) + textbridge::utf16_units(character) >
                edit->text_limit) {
                continue;
            }
            edit->text += character;
            ++accepted;
            textbridge::notify(edit, EN_UPDATE);
            textbridge::notify(edit, EN_CHANGE);
        }
    } catch (const std::bad_alloc&) {
    }
    return accepted;
}

int32_t tb_user_clear(tb_hwnd edit) {
    if (!is(edit, Kind::edit)) return 0;
    if (!edit->text.empty()) {
        edit->text.clear();
        textbridge::notify(edit, EN_UPDATE);
        textbridge::notify(edit, EN_CHANGE);
    }
    return 1;
}

int32_t tb_user_click(tb_hwnd button) {
    if (!is(button, Kind::check_box) && !is(button, Kind::button)) return 0;
    if (button->kind == Kind::check_box && (button->style & BS_TYPEMASK) == BS_AUTOCHECKBOX) {
        button->check = button->check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED;
    }
    textbridge::notify(button, BN_CLICKED);
    return 1;
}

int32_t tb_user_drag(tb_hwnd trackbar, int32_t position) {
    if (!is(trackbar, Kind::trackbar)) return 0;
    textbridge::send(trackbar, TBM_SETPOS, 1, static_cast<tb_lparam>(position));
    report_drag(trackbar);
    return 1;
}

}  // extern "C"
