#pragma once
// Dialog resource 9, the preferences page, as data: the one table from which this platform's
// build takes the page (through the exported resource table that textbridge reads) and from
// which decoder/preferences_dialog.rc, the Windows resource script, is written. A test keeps
// the two in agreement.
//
// The page is an extended dialog template in US English, 327 x 256 dialog units, "MS Shell
// Dlg" 8 point, child-window style, with 16 controls in a fixed order; the static texts keep
// their double spaces after full stops. Only the controls' positions and sizes are our own.

#include <cstdint>

#include "textbridge/textbridge.h"

namespace tarnwick {

inline constexpr uint32_t kPreferencesDialogId = 9;
inline constexpr uint16_t kPreferencesDialogLanguage = 0x0409;  // US English

// Control ids of the page.
inline constexpr int32_t kSampleRateComboId = 1001;
inline constexpr int32_t kMixVolumeTrackbarId = 1003;
inline constexpr int32_t kMixVolumeEditId = 1004;
inline constexpr int32_t kResampleModeComboId = 1005;
inline constexpr int32_t kRampLengthComboId = 1007;
inline constexpr int32_t kLoopCheckBoxId = 1008;

inline constexpr uint16_t kPreferencesDialogControlCount = 16;

extern const tb_dialog_template kPreferencesDialog;

}  // namespace tarnwick

extern "C" {
// The module's resources as textbridge finds them (TB_RESOURCE_SYMBOL): the one data symbol
// the plug-in exports besides its entry point.
extern __attribute__((visibility("default"))) const tb_resource_table textbridge_resources;
}
