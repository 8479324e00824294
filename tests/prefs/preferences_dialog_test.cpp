// Dialog resource 9 as data: the sixteen controls a user sees on the page, the page's size and
// font, the resource table textbridge finds it through, and the Windows resource script that
// must say the same.

#include "decoder/preferences_dialog.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "tests/prefs/dialog_script.h"

namespace tarnwick::prefs_test {
namespace {

// The script beside the table, found from this file's own path.
std::string script_path() {
    const std::string here = __FILE__;
    return here.substr(0, here.rfind("tests/prefs/")) + "decoder/preferences_dialog.rc";
}

enum class Kind { combo, static_left, static_right, group, trackbar, edit, check };

struct ExpectedControl {
    int32_t id;
    Kind kind;
    const char* text;
};

const ExpectedControl kExpected[] = {
    {1001, Kind::combo, ""},
    {-1, Kind::static_left, "Sampling rate:"},
    {-1, Kind::group, "Mixing volume"},
    {1003, Kind::trackbar, ""},
    {-1, Kind::static_right, "0.1"},
    {-1, Kind::static_left, "1.0"},
    {1004, Kind::edit, ""},
    {-1, Kind::static_left,
     "Only crank up the mixing volume if you ReplayGain scan everything.  A value between 0.2 "
     "and 0.3 is recommended to avoid clipping otherwise."},
    {-1, Kind::group, "Resampling mode"},
    {1005, Kind::combo, ""},
    {-1, Kind::static_left,
     "Nearest-neighbor interpolation is only recommended if you have an extremely slow "
     "computer.  Linear is usually a better alternative.  Cubic is slower than linear, but "
     "theoretically better."},
    {-1, Kind::static_left, "Playback must be restarted for any changes to take effect."},
    {-1, Kind::group, "Volume ramping"},
    {1007, Kind::combo, ""},
    {-1, Kind::static_left,
     "Turning on volume ramping can make some clicking noises less noticeable, but it can also "
     "have a muffling effect on some sharp attacks."},
    {1008, Kind::check, "Loop song forever."},
};

// Whether an item is the kind of control the page needs, by class and style.
bool is_kind(const tb_dialog_item& item, Kind kind) {
    const std::string c = item.window_class;
    const uint32_t s = item.style;
    if ((s & (WS_CHILD | WS_VISIBLE)) != (WS_CHILD | WS_VISIBLE)) return false;
    switch (kind) {
        case Kind::combo:  // drop-down with a vertical scroll bar, sort style
            return c == TB_CLASS_COMBOBOX && (s & 0x3) == CBS_DROPDOWN && (s & CBS_SORT) &&
                   (s & WS_VSCROLL);
        case Kind::static_left:
            return c == TB_CLASS_STATIC && (s & 0x1F) == SS_LEFT;
        case Kind::static_right:
            return c == TB_CLASS_STATIC && (s & 0x1F) == SS_RIGHT;
        case Kind::group:
            return c == TB_CLASS_BUTTON && (s & BS_TYPEMASK) == BS_GROUPBOX;
        case Kind::trackbar:  // horizontal, no tick marks
            return c == TB_CLASS_TRACKBAR && !(s & TBS_VERT) && (s & TBS_NOTICKS);
        case Kind::edit:  // bordered, horizontal auto-scroll
            return c == TB_CLASS_EDIT && (s & WS_BORDER) && (s & ES_AUTOHSCROLL);
        case Kind::check:  // automatic
            return c == TB_CLASS_BUTTON && (s & BS_TYPEMASK) == BS_AUTOCHECKBOX;
    }
    return false;
}

TEST(PreferencesDialog, HoldsTheSixteenControlsInTheirOrderWithTheirTexts) {
    ASSERT_EQ(kPreferencesDialog.item_count, 16);
    for (uint16_t i = 0; i < 16; ++i) {
        const tb_dialog_item& item = kPreferencesDialog.items[i];
        EXPECT_EQ(item.id, kExpected[i].id) << "control " << i;
        EXPECT_TRUE(is_kind(item, kExpected[i].kind))
            << "control " << i << ": " << item.window_class;
        EXPECT_STREQ(item.text, kExpected[i].text) << "control " << i;
    }
}

TEST(PreferencesDialog, IsAChildPageOf327By256UnitsInMsShellDlg8) {
    EXPECT_EQ(kPreferencesDialog.cx, 327);
    EXPECT_EQ(kPreferencesDialog.cy, 256);
    EXPECT_STREQ(kPreferencesDialog.typeface, "MS Shell Dlg");
    EXPECT_EQ(kPreferencesDialog.point_size, 8);
    EXPECT_EQ(kPreferencesDialog.style & (WS_CHILD | DS_SETFONT), WS_CHILD | DS_SETFONT);
    for (uint16_t i = 0; i < kPreferencesDialog.item_count; ++i) {
        const tb_dialog_item& item = kPreferencesDialog.items[i];
        EXPECT_GE(item.x, 0) << "control " << i;
        EXPECT_GE(item.y, 0) << "control " << i;
        EXPECT_LE(item.x + item.cx, 327) << "control " << i;
        // A combo box's height includes its dropped-down list, which may reach past the page.
        if (std::string(item.window_class) != TB_CLASS_COMBOBOX) {
            EXPECT_LE(item.y + item.cy, 256) << "control " << i;
        }
    }
}

TEST(PreferencesDialog, IsDialogResourceNineOfTheModulesResourceTable) {
    EXPECT_EQ(textbridge_resources.magic, TB_RESOURCE_MAGIC);
    ASSERT_EQ(textbridge_resources.count, 1u);
    const tb_resource& entry = textbridge_resources.entries[0];
    EXPECT_EQ(entry.type, TB_RT_DIALOG);
    EXPECT_EQ(entry.id, 9u);
    EXPECT_EQ(entry.language, 0x0409);
    EXPECT_EQ(entry.data, &kPreferencesDialog);
}

// TARNWICK_WRITE_DIALOG_SCRIPT=1 rewrites the script from the table instead.
TEST(PreferencesDialog, WindowsResourceScriptSaysWhatTheTableSays) {
    const std::string generated = dialog_script(kPreferencesDialog, kPreferencesDialogId);
    if (std::getenv("TARNWICK_WRITE_DIALOG_SCRIPT") != nullptr) {
        std::ofstream(script_path(), std::ios::binary) << generated;
    }
    std::ifstream file(script_path(), std::ios::binary);
    ASSERT_TRUE(file.good()) << script_path();
    std::stringstream content;
    content << file.rdbuf();
    EXPECT_EQ(content.str(), generated) << "decoder/preferences_dialog.rc should read:\n"
                                        << generated;
}

}  // namespace
}  // namespace tarnwick::prefs_test
