#include "decoder/preferences_page.h"

#include <cstddef>

#include "decoder/preferences_dialog.h"
#include "decoder/preferences_lists.h"
#include "engine/real_to_integer.h"
#include "shell/config_var.h"
#include "shell/parse_decimal.h"
#include "shell/text_builder.h"

namespace tarnwick {
namespace {

int32_t clamp_mix_volume(int64_t v) {
    if (v < kMinMixVolume) return kMinMixVolume;
    if (v > kMaxMixVolume) return kMaxMixVolume;
    return static_cast<int32_t>(v);
}

// The last row whose value is at most `value` (compared unsigned), or row 0.
template <size_t N>
uint32_t row_at_or_below(const PageListRow (&rows)[N], int32_t value) {
    uint32_t chosen = 0;
    for (uint32_t i = 0; i < N; ++i) {
        if (static_cast<uint32_t>(rows[i].value) <= static_cast<uint32_t>(value)) chosen = i;
    }
    return chosen;
}

// The selected row; no selection (CB_ERR, read unsigned) and anything past the end count as
// the last row.
template <size_t N>
uint32_t selected_row(tb_hwnd dialog, int32_t combo_id, const PageListRow (&)[N]) {
    const auto selection =
        static_cast<uint32_t>(uSendDlgItemMessage(dialog, combo_id, CB_GETCURSEL, 0, 0));
    return selection >= N ? static_cast<uint32_t>(N - 1) : selection;
}

template <size_t N>
void fill_combo(tb_hwnd dialog, int32_t combo_id, const PageListRow (&rows)[N], uint32_t row) {
    tb_hwnd combo = GetDlgItem(dialog, combo_id);
    for (uint32_t i = 0; i < N; ++i) uSendMessageText(combo, CB_INSERTSTRING, i, rows[i].text);
    uSendDlgItemMessage(dialog, combo_id, CB_SETCURSEL, row, 0);
}

void show_mix_volume(tb_hwnd dialog, int32_t volume) {
    const TextBuilder text(Thousandths{static_cast<uint32_t>(volume)});
    uSetDlgItemText(dialog, kMixVolumeEditId, text.text());
}

void set_trackbar(tb_hwnd dialog, int32_t volume) {
    uSendDlgItemMessage(dialog, kMixVolumeTrackbarId, TBM_SETPOS, 1, volume);
}

void initialise(tb_hwnd dialog) {
    const uint32_t rate_row = row_at_or_below(kSampleRateRows, config_srate.value());
    fill_combo(dialog, kSampleRateComboId, kSampleRateRows, rate_row);
    config_srate.set_value(kSampleRateRows[rate_row].value);

    const int32_t mode = config_rsmode.value();
    const uint32_t mode_row = (mode == 0 || mode == 2) ? static_cast<uint32_t>(mode) : 1;
    fill_combo(dialog, kResampleModeComboId, kResampleModeRows, mode_row);
    config_rsmode.set_value(kResampleModeRows[mode_row].value);

    fill_combo(dialog, kRampLengthComboId, kRampLengthRows,
               row_at_or_below(kRampLengthRows, config_ramplen.value()));

    // Setting the text reports a change, which the command handler reads back like typing.
    show_mix_volume(dialog, config_vol.value());
    uSendDlgItemMessage(dialog, kMixVolumeEditId, EM_LIMITTEXT, 4, 0);

    uSendDlgItemMessage(dialog, kLoopCheckBoxId, BM_SETCHECK,
                        config_loop.value() == 1 ? BST_CHECKED : BST_UNCHECKED, 0);

    uSendDlgItemMessage(dialog, kMixVolumeTrackbarId, TBM_SETRANGEMIN, 0, kMinMixVolume);
    uSendDlgItemMessage(dialog, kMixVolumeTrackbarId, TBM_SETRANGEMAX, 0, kMaxMixVolume);
    const int32_t volume = clamp_mix_volume(config_vol.value());
    config_vol.set_value(volume);
    set_trackbar(dialog, volume);
}

void command(tb_hwnd dialog, int32_t control, uint32_t notification) {
    switch (control) {
        case kSampleRateComboId:
            if (notification != CBN_SELCHANGE) return;
            config_srate.set_value(
                kSampleRateRows[selected_row(dialog, control, kSampleRateRows)].value);
            return;
        case kResampleModeComboId:
            if (notification != CBN_SELCHANGE) return;
            config_rsmode.set_value(
                kResampleModeRows[selected_row(dialog, control, kResampleModeRows)].value);
            return;
        case kRampLengthComboId:
            if (notification != CBN_SELCHANGE) return;
            config_ramplen.set_value(
                kRampLengthRows[selected_row(dialog, control, kRampLengthRows)].value);
            return;
        case kMixVolumeEditId: {
            if (notification != EN_CHANGE) return;
            TextBuilder typed;
            uGetDlgItemText(dialog, kMixVolumeEditId, &typed);
            // The box keeps the text as typed; only the setting and the trackbar follow it.
            const int32_t volume = mix_volume_from_text(typed.text());
            config_vol.set_value(volume);
            set_trackbar(dialog, volume);
            return;
        }
        case kLoopCheckBoxId: {
            const tb_lresult state =
                uSendDlgItemMessage(dialog, kLoopCheckBoxId, BM_GETCHECK, 0, 0);
            config_loop.set_value(state == BST_CHECKED ? 1 : 0);
            return;
        }
        default:
            return;
    }
}

void scroll(tb_hwnd dialog, tb_hwnd sender) {
    if (uGetWindowLong(sender, GWL_ID) != kMixVolumeTrackbarId) return;
    const int32_t position =
        static_cast<int32_t>(uSendDlgItemMessage(dialog, kMixVolumeTrackbarId, TBM_GETPOS, 0, 0));
    const int32_t volume = clamp_mix_volume(position);
    config_vol.set_value(volume);
    // The box reports the change, and the command handler sets the trackbar from the text.
    show_mix_volume(dialog, volume);
}

}  // namespace

int32_t mix_volume_from_text(const char* text) {
    // Stored, so that an x87 build rounds the product to double as the SSE build does, however
    // the compiler arranges the conversion: ".999" x 1000 held in extended precision is
    // 998.99999..., which would truncate to 998.
    volatile double scaled = parse_decimal(text) * 1000.0;
    const double thousandths = scaled;
    if (!(thousandths == thousandths)) return kMinMixVolume;  // no number at all
    const int64_t whole = truncate_real_to_i64(thousandths);
    // Read as unsigned, a negative number is huge: it clamps to the top, as does anything
    // beyond 32 bits.
    if (whole < 0) return kMaxMixVolume;
    return clamp_mix_volume(whole);
}

tb_lresult TB_CALLBACK preferences_page_proc(tb_hwnd dialog, uint32_t message, tb_wparam wparam,
                                             tb_lparam lparam) {
    switch (message) {
        case WM_INITDIALOG:
            initialise(dialog);
            return 1;
        case WM_COMMAND:
            command(dialog, static_cast<int16_t>(TB_LOWORD(wparam)), TB_HIWORD(wparam));
            return 0;
        case WM_HSCROLL:
            scroll(dialog, reinterpret_cast<tb_hwnd>(lparam));
            return 0;
        default:
            return 0;
    }
}

}  // namespace tarnwick
