#include "decoder/preferences_dialog.h"

namespace tarnwick {
namespace {

constexpr uint32_t kChild = WS_CHILD | WS_VISIBLE;
constexpr uint32_t kComboStyle = kChild | CBS_DROPDOWN | CBS_SORT | WS_VSCROLL | WS_TABSTOP;
constexpr uint32_t kLeftText = kChild | SS_LEFT | WS_GROUP;
constexpr uint32_t kRightText = kChild | SS_RIGHT | WS_GROUP;
constexpr uint32_t kGroupBox = kChild | BS_GROUPBOX;

// In template order. Fields: help id, extended style, style, x, y, cx, cy, id, class, text.
constexpr tb_dialog_item kItems[kPreferencesDialogControlCount] = {
    {0, 0, kComboStyle, 70, 7, 60, 120, kSampleRateComboId, TB_CLASS_COMBOBOX, ""},
    {0, 0, kLeftText, 7, 9, 60, 8, IDC_STATIC, TB_CLASS_STATIC, "Sampling rate:"},
    {0, 0, kGroupBox, 7, 26, 313, 70, IDC_STATIC, TB_CLASS_BUTTON, "Mixing volume"},
    {0, 0, kChild | TBS_HORZ | TBS_NOTICKS | WS_TABSTOP, 34, 40, 200, 16, kMixVolumeTrackbarId,
     TB_CLASS_TRACKBAR, ""},
    {0, 0, kRightText, 14, 44, 18, 8, IDC_STATIC, TB_CLASS_STATIC, "0.1"},
    {0, 0, kLeftText, 236, 44, 16, 8, IDC_STATIC, TB_CLASS_STATIC, "1.0"},
    {0, 0, kChild | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 262, 42, 50, 12, kMixVolumeEditId,
     TB_CLASS_EDIT, ""},
    {0, 0, kLeftText, 14, 62, 299, 26, IDC_STATIC, TB_CLASS_STATIC,
     "Only crank up the mixing volume if you ReplayGain scan everything.  A value between 0.2 "
     "and 0.3 is recommended to avoid clipping otherwise."},
    {0, 0, kGroupBox, 7, 102, 313, 62, IDC_STATIC, TB_CLASS_BUTTON, "Resampling mode"},
    {0, 0, kComboStyle, 14, 116, 80, 60, kResampleModeComboId, TB_CLASS_COMBOBOX, ""},
    {0, 0, kLeftText, 14, 134, 299, 26, IDC_STATIC, TB_CLASS_STATIC,
     "Nearest-neighbor interpolation is only recommended if you have an extremely slow "
     "computer.  Linear is usually a better alternative.  Cubic is slower than linear, but "
     "theoretically better."},
    {0, 0, kLeftText, 7, 240, 313, 8, IDC_STATIC, TB_CLASS_STATIC,
     "Playback must be restarted for any changes to take effect."},
    {0, 0, kGroupBox, 7, 170, 313, 46, IDC_STATIC, TB_CLASS_BUTTON, "Volume ramping"},
    {0, 0, kComboStyle, 14, 184, 80, 60, kRampLengthComboId, TB_CLASS_COMBOBOX, ""},
    {0, 0, kLeftText, 100, 182, 213, 28, IDC_STATIC, TB_CLASS_STATIC,
     "Turning on volume ramping can make some clicking noises less noticeable, but it can "
     "also have a muffling effect on some sharp attacks."},
    {0, 0, kChild | BS_AUTOCHECKBOX | WS_TABSTOP, 7, 222, 120, 10, kLoopCheckBoxId, TB_CLASS_BUTTON,
     "Loop song forever."},
};

constexpr tb_resource kResources[] = {
    {TB_RT_DIALOG, kPreferencesDialogId, kPreferencesDialogLanguage, &kPreferencesDialog},
};

}  // namespace

// Fields: help id, extended style, style, x, y, cx, cy, title, point size, weight, italic,
// character set, typeface, item count, items.
constexpr tb_dialog_template kPreferencesDialog = {0,
                                                   0,
                                                   DS_SETFONT | DS_FIXEDSYS | WS_CHILD,
                                                   0,
                                                   0,
                                                   327,
                                                   256,
                                                   "",
                                                   8,
                                                   400,
                                                   0,
                                                   1,
                                                   "MS Shell Dlg",
                                                   kPreferencesDialogControlCount,
                                                   kItems};

}  // namespace tarnwick

extern "C" {
constexpr tb_resource_table textbridge_resources = {
    TB_RESOURCE_MAGIC, sizeof(tarnwick::kResources) / sizeof(tarnwick::kResources[0]),
    tarnwick::kResources};
}
