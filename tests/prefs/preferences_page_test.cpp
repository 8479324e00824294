// The preferences page as a user meets it, driven through the stand-in window system: what it
// shows for the stored settings and what it writes back, and what each choice, each typed text
// and each drag of the trackbar does to the settings.

#include "decoder/preferences_page.h"

#include <gtest/gtest.h>

#include <span>
#include <string>
#include <vector>

#include "decoder/preferences_dialog.h"
#include "shell/config_var.h"
#include "tests/support/stored_settings.h"

namespace tarnwick::prefs_test {
namespace {

using Settings = test::StoredSettings;

class PreferencesPageTest : public ::testing::Test {
  protected:
    void TearDown() override {
        tb_destroy_window(frame_);
        test::store_settings({});
    }

    // Stores the settings and shows the page for them.
    void show(const Settings& s = Settings{}) {
        test::store_settings(s);
        tb_destroy_window(frame_);
        frame_ = tb_create_frame("Preferences");
        page_ = tb_create_dialog_indirect(&kPreferencesDialog, frame_, preferences_page_proc, 0);
        ASSERT_NE(page_, nullptr);
    }

    tb_hwnd control(int32_t id) const { return GetDlgItem(page_, id); }
    std::string text(int32_t id) const { return tb_window_text(control(id)); }
    // The text of the entry the combo box shows as selected ("" without a selection).
    std::string shown(int32_t combo_id) const {
        const tb_lresult i = uSendDlgItemMessage(page_, combo_id, CB_GETCURSEL, 0, 0);
        const char* entry = tb_combo_entry(control(combo_id), static_cast<uint32_t>(i));
        return i == CB_ERR || entry == nullptr ? "" : entry;
    }
    std::vector<std::string> entries(int32_t combo_id) const {
        std::vector<std::string> out;
        for (uint32_t i = 0; tb_combo_entry(control(combo_id), i) != nullptr; ++i) {
            out.push_back(tb_combo_entry(control(combo_id), i));
        }
        return out;
    }
    tb_lresult trackbar() const {
        return uSendDlgItemMessage(page_, kMixVolumeTrackbarId, TBM_GETPOS, 0, 0);
    }
    bool ticked() const {
        return uSendDlgItemMessage(page_, kLoopCheckBoxId, BM_GETCHECK, 0, 0) == BST_CHECKED;
    }
    // Selects all of the box's text and types over it.
    void type(const char* typed) {
        tb_user_clear(control(kMixVolumeEditId));
        tb_user_type(control(kMixVolumeEditId), typed);
    }
    void command(int32_t id, uint32_t notification) {
        tb_send_message(page_, WM_COMMAND, TB_MAKEWPARAM(id, notification),
                        reinterpret_cast<tb_lparam>(control(id)));
    }

    struct StoredChoiceCase {
        int32_t stored;
        const char* shown;
        int32_t rewritten;
    };
    // Shows the page once per case with `field` stored as `stored`: the combo box shows `shown`
    // and the setting then holds `rewritten`.
    void expect_stored_choices(int32_t Settings::*field, int32_t combo_id, const ConfigVar& setting,
                               std::span<const StoredChoiceCase> cases) {
        for (const StoredChoiceCase& c : cases) {
            Settings s;
            s.*field = c.stored;
            show(s);
            EXPECT_EQ(shown(combo_id), c.shown) << c.stored;
            EXPECT_EQ(setting.value(), c.rewritten) << c.stored;
        }
    }

    tb_hwnd frame_ = nullptr;
    tb_hwnd page_ = nullptr;
};

TEST_F(PreferencesPageTest, ListsAppearInTheirOwnOrderDespiteTheSortStyle) {
    show();
    EXPECT_EQ(entries(kSampleRateComboId),
              (std::vector<std::string>{"11025", "16000", "22025", "32000", "44100", "48000",
                                        "64000", "88200", "96000"}));
    EXPECT_EQ(entries(kResampleModeComboId),
              (std::vector<std::string>{"Nearest", "Linear", "Cubic test"}));
    EXPECT_EQ(entries(kRampLengthComboId),
              (std::vector<std::string>{"Disabled", "Light", "Heavy"}));
}

TEST_F(PreferencesPageTest, DefaultsAreShownAsTheyAre) {
    show();
    EXPECT_EQ(shown(kSampleRateComboId), "48000");
    EXPECT_EQ(shown(kResampleModeComboId), "Linear");
    EXPECT_EQ(shown(kRampLengthComboId), "Light");
    EXPECT_EQ(text(kMixVolumeEditId), "0.25");
    EXPECT_EQ(trackbar(), 250);
    EXPECT_FALSE(ticked());
    EXPECT_EQ(uSendDlgItemMessage(page_, kMixVolumeTrackbarId, TBM_GETRANGEMIN, 0, 0), 100);
    EXPECT_EQ(uSendDlgItemMessage(page_, kMixVolumeTrackbarId, TBM_GETRANGEMAX, 0, 0), 1000);
    EXPECT_EQ(uSendDlgItemMessage(page_, kMixVolumeEditId, EM_GETLIMITTEXT, 0, 0), 4);
    EXPECT_EQ(config_srate.value(), 48000);
    EXPECT_EQ(config_vol.value(), 250);
}

TEST_F(PreferencesPageTest, AStoredRateOffTheListBecomesTheListedRateBelowIt) {
    const StoredChoiceCase cases[] = {
        {22050, "22025", 22025}, {8000, "11025", 11025},  {192000, "96000", 96000},
        {44100, "44100", 44100}, {11025, "11025", 11025}, {0, "11025", 11025},
        {-1, "96000", 96000},  // read unsigned, -1 is above every rate
    };
    expect_stored_choices(&Settings::srate, kSampleRateComboId, config_srate, cases);
}

TEST_F(PreferencesPageTest, AnUnknownResamplingModeBecomesLinear) {
    const StoredChoiceCase cases[] = {{0, "Nearest", 0},
                                      {1, "Linear", 1},
                                      {2, "Cubic test", 2},
                                      {7, "Linear", 1},
                                      {-1, "Linear", 1}};
    expect_stored_choices(&Settings::rsmode, kResampleModeComboId, config_rsmode, cases);
}

TEST_F(PreferencesPageTest, AStoredRampLengthIsShownAsTheRowBelowItAndKept) {
    const StoredChoiceCase cases[] = {{5000, "Light", 5000},    {0, "Disabled", 0},
                                      {2999, "Disabled", 2999}, {3000, "Light", 3000},
                                      {8000, "Heavy", 8000},    {-1, "Heavy", -1}};
    expect_stored_choices(&Settings::ramplen, kRampLengthComboId, config_ramplen, cases);
}

struct StoredVolumeCase {
    int32_t stored;
    const char* box;
    int32_t kept;
};

TEST_F(PreferencesPageTest, AStoredVolumeIsShownAsStoredAndKeptWithinTheTrackbarsRange) {
    const StoredVolumeCase cases[] = {
        {50, "0.05", 100}, {250, "0.25", 250},  {100, "0.1", 100}, {1000, "1", 1000},
        {5000, "5", 1000}, {999, "0.999", 999}, {0, "0", 100},
    };
    for (const StoredVolumeCase& c : cases) {
        Settings s;
        s.vol = c.stored;
        show(s);
        EXPECT_EQ(text(kMixVolumeEditId), c.box) << c.stored;
        EXPECT_EQ(trackbar(), c.kept) << c.stored;
        EXPECT_EQ(config_vol.value(), c.kept) << c.stored;
    }
}

TEST_F(PreferencesPageTest, TheCheckBoxIsTickedOnlyForTheValueThatLoops) {
    const int32_t stored[] = {0, 1, 2, -1};
    for (int32_t loop : stored) {
        Settings s;
        s.loop = loop;
        show(s);
        EXPECT_EQ(ticked(), loop == 1) << loop;
        EXPECT_EQ(config_loop.value(), loop) << "shown, not rewritten: " << loop;
    }
}

struct TypedCase {
    const char* typed;
    int32_t vol;
};

TEST_F(PreferencesPageTest, TypedVolumesSetTheSettingAndTheTrackbarButNotTheBox) {
    const TypedCase cases[] = {
        {"0.5", 500}, {"0,3", 300},   {"2", 1000},   {"-1", 1000},  {"", 100},
        {"abc", 100}, {"0.1", 100},   {"1", 1000},   {".75", 750},  {"0.05", 100},
        {"-0", 100},  {"9e99", 1000}, {"1e-9", 100}, {".999", 999},
    };
    show();
    for (const TypedCase& c : cases) {
        type(c.typed);
        EXPECT_EQ(config_vol.value(), c.vol) << '"' << c.typed << '"';
        EXPECT_EQ(trackbar(), c.vol) << '"' << c.typed << '"';
        EXPECT_EQ(text(kMixVolumeEditId), c.typed) << "the box keeps what was typed";
    }
}

TEST_F(PreferencesPageTest, TypingStopsAtFourCharacters) {
    show();
    type("0.12345");
    EXPECT_EQ(text(kMixVolumeEditId), "0.12");
    EXPECT_EQ(config_vol.value(), 120);
}

TEST_F(PreferencesPageTest, DraggingTheTrackbarWritesTheVolumeAndShowsItInTheBox) {
    show();
    tb_user_drag(control(kMixVolumeTrackbarId), 250);
    EXPECT_EQ(config_vol.value(), 250);
    EXPECT_EQ(text(kMixVolumeEditId), "0.25");
    EXPECT_EQ(trackbar(), 250);

    tb_user_drag(control(kMixVolumeTrackbarId), 20);  // the range holds it at 100
    EXPECT_EQ(config_vol.value(), 100);
    EXPECT_EQ(text(kMixVolumeEditId), "0.1");
}

// The box's text is read back after every drag; no position may come back as another.
TEST_F(PreferencesPageTest, EveryTrackbarPositionSurvivesTheTripThroughTheBox) {
    show();
    for (int32_t position = 100; position <= 1000; ++position) {
        tb_user_drag(control(kMixVolumeTrackbarId), position);
        ASSERT_EQ(config_vol.value(), position) << text(kMixVolumeEditId);
        ASSERT_EQ(trackbar(), position) << text(kMixVolumeEditId);
    }
}

TEST_F(PreferencesPageTest, PickingAnEntryStoresItsValue) {
    show();
    const struct {
        int32_t combo;
        uint32_t row;
        const ConfigVar* setting;
        int32_t value;
    } cases[] = {
        {kSampleRateComboId, 2, &config_srate, 22025},
        {kSampleRateComboId, 8, &config_srate, 96000},
        {kSampleRateComboId, 0, &config_srate, 11025},
        {kResampleModeComboId, 2, &config_rsmode, 2},
        {kResampleModeComboId, 0, &config_rsmode, 0},
        {kRampLengthComboId, 2, &config_ramplen, 8000},
        {kRampLengthComboId, 0, &config_ramplen, 0},
        {kRampLengthComboId, 1, &config_ramplen, 3000},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(tb_user_pick(control(c.combo), c.row), 1);
        EXPECT_EQ(c.setting->value(), c.value) << c.combo << " row " << c.row;
    }
}

TEST_F(PreferencesPageTest, AComboBoxWithoutASelectionCountsAsItsLastRow) {
    show();
    const struct {
        int32_t combo;
        const ConfigVar* setting;
        int32_t value;
    } cases[] = {{kSampleRateComboId, &config_srate, 96000},
                 {kResampleModeComboId, &config_rsmode, 2},
                 {kRampLengthComboId, &config_ramplen, 8000}};
    for (const auto& c : cases) {
        uSendDlgItemMessage(page_, c.combo, CB_SETCURSEL, static_cast<tb_wparam>(-1), 0);
        command(c.combo, CBN_SELCHANGE);
        EXPECT_EQ(c.setting->value(), c.value) << c.combo;
    }
}

TEST_F(PreferencesPageTest, OtherNotificationsAndOtherControlsChangeNothing) {
    show();
    uSendDlgItemMessage(page_, kSampleRateComboId, CB_SETCURSEL, 0, 0);
    uSendDlgItemMessage(page_, kResampleModeComboId, CB_SETCURSEL, 0, 0);
    uSendDlgItemMessage(page_, kRampLengthComboId, CB_SETCURSEL, 0, 0);
    for (int32_t id : {kSampleRateComboId, kResampleModeComboId, kRampLengthComboId}) {
        for (uint32_t code : {CBN_DROPDOWN, CBN_CLOSEUP, CBN_SELENDOK}) command(id, code);
    }
    uSendDlgItemMessage(page_, kMixVolumeTrackbarId, TBM_SETPOS, 1, 700);
    command(kMixVolumeEditId, EN_UPDATE);
    command(1002, CBN_SELCHANGE);
    command(IDC_STATIC, EN_CHANGE);
    // A scroll message from any window but the trackbar.
    tb_send_message(page_, WM_HSCROLL, TB_THUMBTRACK,
                    reinterpret_cast<tb_lparam>(control(kMixVolumeEditId)));
    tb_send_message(page_, WM_HSCROLL, TB_THUMBTRACK, 0);

    EXPECT_EQ(config_srate.value(), 48000);
    EXPECT_EQ(config_rsmode.value(), 1);
    EXPECT_EQ(config_ramplen.value(), 3000);
    EXPECT_EQ(config_vol.value(), 250);
    EXPECT_EQ(text(kMixVolumeEditId), "0.25");
}

TEST_F(PreferencesPageTest, TickingTheCheckBoxStoresOneAndUntickingZero) {
    show();
    tb_user_click(control(kLoopCheckBoxId));
    EXPECT_EQ(config_loop.value(), 1);
    tb_user_click(control(kLoopCheckBoxId));
    EXPECT_EQ(config_loop.value(), 0);

    Settings s;
    s.loop = 2;  // plays once, so shown unticked; a click ticks it
    show(s);
    tb_user_click(control(kLoopCheckBoxId));
    EXPECT_EQ(config_loop.value(), 1);
}

TEST_F(PreferencesPageTest, TheProcedureAnswersAsADialogProcedureDoes) {
    show();
    EXPECT_EQ(preferences_page_proc(page_, WM_COMMAND, TB_MAKEWPARAM(1008, BN_CLICKED), 0), 0);
    EXPECT_EQ(preferences_page_proc(page_, WM_HSCROLL, 0, 0), 0);
    EXPECT_EQ(preferences_page_proc(page_, WM_DESTROY, 0, 0), 0);
    EXPECT_EQ(preferences_page_proc(page_, 0x7FFF, 1, 2), 0);
}

TEST(MixVolumeFromText, ClampsEveryTextIntoTheTrackbarsRange) {
    const TypedCase cases[] = {
        {"0.25", 250},    {" 0.3", 300},         {"+0.4", 400},    {"0.0999", 100}, {"0.1009", 100},
        {"0.9999", 999},  {"1.0001", 1000},      {"-0.0001", 100}, {"-5", 1000},    {"1e308", 1000},
        {"-1e308", 1000}, {"4294967.396", 1000}, {"5e6", 1000},    {"x", 100},      {"", 100},
    };
    for (const TypedCase& c : cases) EXPECT_EQ(mix_volume_from_text(c.typed), c.vol) << c.typed;
    EXPECT_EQ(mix_volume_from_text(nullptr), 100);
}

}  // namespace
}  // namespace tarnwick::prefs_test
