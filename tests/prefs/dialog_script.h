#pragma once
// Writes a dialog template as a Windows resource script, the way decoder/preferences_dialog.rc
// is kept: one generic CONTROL statement per item with every style flag named, so that the
// script says exactly what the table says.

#include <cstdint>
#include <cstdio>
#include <string>

#include "textbridge/textbridge.h"

namespace tarnwick::prefs_test {

struct StyleName {
    const char* window_class;  // null: any window
    uint32_t mask;
    uint32_t value;
    const char* name;
};

// Named in this order; bits no entry names are written in hexadecimal.
inline constexpr StyleName kStyleNames[] = {
    {nullptr, WS_CHILD, WS_CHILD, "WS_CHILD"},
    {nullptr, WS_VISIBLE, WS_VISIBLE, "WS_VISIBLE"},
    {nullptr, WS_BORDER, WS_BORDER, "WS_BORDER"},
    {nullptr, WS_VSCROLL, WS_VSCROLL, "WS_VSCROLL"},
    {nullptr, WS_GROUP, WS_GROUP, "WS_GROUP"},
    {nullptr, WS_TABSTOP, WS_TABSTOP, "WS_TABSTOP"},
    {"#dialog", DS_SETFONT, DS_SETFONT, "DS_SETFONT"},
    {"#dialog", DS_FIXEDSYS, DS_FIXEDSYS, "DS_FIXEDSYS"},
    {"#dialog", DS_CONTROL, DS_CONTROL, "DS_CONTROL"},
    {TB_CLASS_COMBOBOX, 0x3, CBS_DROPDOWN, "CBS_DROPDOWN"},
    {TB_CLASS_COMBOBOX, 0x3, 0x3, "CBS_DROPDOWNLIST"},
    {TB_CLASS_COMBOBOX, CBS_SORT, CBS_SORT, "CBS_SORT"},
    {TB_CLASS_STATIC, 0x1F, SS_LEFT, "SS_LEFT"},
    {TB_CLASS_STATIC, 0x1F, SS_RIGHT, "SS_RIGHT"},
    {TB_CLASS_BUTTON, BS_TYPEMASK, BS_GROUPBOX, "BS_GROUPBOX"},
    {TB_CLASS_BUTTON, BS_TYPEMASK, BS_AUTOCHECKBOX, "BS_AUTOCHECKBOX"},
    {TB_CLASS_EDIT, 0x3, 0x0, "ES_LEFT"},
    {TB_CLASS_EDIT, ES_AUTOHSCROLL, ES_AUTOHSCROLL, "ES_AUTOHSCROLL"},
    {TB_CLASS_TRACKBAR, TBS_VERT, TBS_HORZ, "TBS_HORZ"},
    {TB_CLASS_TRACKBAR, TBS_NOTICKS, TBS_NOTICKS, "TBS_NOTICKS"},
};

inline std::string style_text(const char* window_class, uint32_t style) {
    std::string text;
    uint32_t named = 0;
    for (const StyleName& entry : kStyleNames) {
        if (entry.window_class != nullptr && std::string(entry.window_class) != window_class) {
            continue;
        }
        if ((style & entry.mask) != entry.value) continue;
        if (!text.empty()) text += " | ";
        text += entry.name;
        named |= entry.mask & style;
    }
    if ((style & ~named) != 0) {
        char hex[16];
        std::snprintf(hex, sizeof hex, "0x%X", style & ~named);
        text += text.empty() ? "" : " | ";
        text += hex;
    }
    return text.empty() ? "0" : text;
}

inline std::string quoted(const char* text) {
    std::string out = "\"";
    for (const char* p = text; *p != '\0'; ++p)
        out += *p == '"' ? std::string("\"\"") : std::string(1, *p);
    return out + "\"";
}

inline std::string dialog_script(const tb_dialog_template& dialog, uint32_t resource_id) {
    std::string s;
    s +=
        "// Dialog resource 9, the preferences page, for the Windows build of the plug-in. It is\n";
    s += "// written from the table in decoder/preferences_dialog.cpp, which the build for this\n";
    s += "// platform uses directly; the prefs tests fail when the two disagree and print the\n";
    s += "// script the table gives.\n\n";
    s += "#include <windows.h>\n#include <commctrl.h>\n\n";
    s += "LANGUAGE LANG_ENGLISH, SUBLANG_ENGLISH_US\n\n";
    s += std::to_string(resource_id) + " DIALOGEX " + std::to_string(dialog.x) + ", " +
         std::to_string(dialog.y) + ", " + std::to_string(dialog.cx) + ", " +
         std::to_string(dialog.cy) + "\n";
    s += "STYLE " + style_text("#dialog", dialog.style) + "\n";
    if (dialog.ex_style != 0) s += "EXSTYLE " + std::to_string(dialog.ex_style) + "\n";
    if (dialog.title != nullptr && dialog.title[0] != '\0') {
        s += "CAPTION " + quoted(dialog.title) + "\n";
    }
    char charset[8];
    std::snprintf(charset, sizeof charset, "0x%X", dialog.charset);
    s += "FONT " + std::to_string(dialog.point_size) + ", " + quoted(dialog.typeface) + ", " +
         std::to_string(dialog.weight) + ", " + std::to_string(dialog.italic) + ", " + charset +
         "\n";
    s += "BEGIN\n";
    for (uint16_t i = 0; i < dialog.item_count; ++i) {
        const tb_dialog_item& item = dialog.items[i];
        s += "    CONTROL " + quoted(item.text) + ", " + std::to_string(item.id) + ", " +
             quoted(item.window_class) + ",\n            " +
             style_text(item.window_class, item.style) + ",\n            " +
             std::to_string(item.x) + ", " + std::to_string(item.y) + ", " +
             std::to_string(item.cx) + ", " + std::to_string(item.cy);
        if (item.ex_style != 0 || item.help_id != 0) {
            s += ", " + std::to_string(item.ex_style) + ", " + std::to_string(item.help_id);
        }
        s += "\n";
    }
    s += "END\n";
    return s;
}

}  // namespace tarnwick::prefs_test
