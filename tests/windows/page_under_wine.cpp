// The Windows DLL's preferences page as a user meets it: the real dialog made by user32 from
// the DLL's resource 9, acted on through the real controls, read back with user32's own calls
// (window texts, selections, positions), and the settings record the plug-in then saves used
// by the next song opened.
//
//     tarnwick_windows_tests PLUGIN.dll [gtest options]

// clang-format off
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "demo/demo_song_bytes.h"
#include "host/host_objects.h"
#include "host/plugin_library.h"
#include "host/settings_records.h"
#include "tests/windows/plugin_under_test.h"

#include <windows.h>
#include <commctrl.h>

#include "textbridge/textbridge.h"
// clang-format on

namespace {

constexpr int kRateCombo = 1001, kVolumeTrackbar = 1003, kVolumeEdit = 1004, kModeCombo = 1005,
              kRampCombo = 1007, kLoopCheck = 1008;

std::string text_of(HWND window) {
    wchar_t text[512];
    const int n = GetWindowTextW(window, text, 512);
    return std::string(text, text + n);  // the page's texts are ASCII
}

std::string selected_entry(HWND page, int combo) {
    const LRESULT i = SendDlgItemMessageW(page, combo, CB_GETCURSEL, 0, 0);
    if (i == CB_ERR) return "(none)";
    wchar_t text[64];
    const LRESULT n =
        SendDlgItemMessageW(page, combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
    return std::string(text, text + n);
}

class PageUnderWine : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(load(standin::SettingsRecords{})); }
    void TearDown() override { DestroyWindow(frame_); }

    // Loads the DLL with `stored` handed over as the host's stored settings, and shows the page.
    bool load(const standin::SettingsRecords& stored) {
        if (frame_ != nullptr) DestroyWindow(frame_);
        plugin_.reset();
        std::string error;
        plugin_ = standin::PluginLibrary::load(plugin_under_test(), &error);
        EXPECT_NE(plugin_, nullptr) << error;
        if (plugin_ == nullptr) return false;
        std::vector<uint8_t> bytes;
        for (const auto& [name, value] : stored)
            standin::append_settings_record(bytes, name, value);
        plugin_->load_settings(bytes);
        frame_ = tb_create_frame("qarvel preferences");
        standin::ServiceRef<qarvel::PreferencesPage> service = plugin_->preferences_page();
        page_ = service ? service->create_page(frame_) : nullptr;
        EXPECT_NE(page_, nullptr);
        return page_ != nullptr;
    }

    int32_t saved(const std::string& key) {
        for (const auto& [name, value] :
             standin::parse_settings_records(plugin_->save_settings())) {
            if (name == key) return value;
        }
        ADD_FAILURE() << "no saved " << key;
        return -1;
    }
    HWND control(int id) { return GetDlgItem(page_, id); }
    LRESULT trackbar_position() {
        return SendDlgItemMessageW(page_, kVolumeTrackbar, TBM_GETPOS, 0, 0);
    }

    std::unique_ptr<standin::PluginLibrary> plugin_;
    HWND frame_ = nullptr;
    HWND page_ = nullptr;
};

struct StoredCase {
    const char* key;
    int32_t stored;
    int shown_in;       // the control that shows it
    const char* shown;  // its selected entry or text
    int32_t kept;       // what the plug-in saves after the page was shown
};

TEST_F(PageUnderWine, StoredValuesAreShownAndRewrittenAsTheListsAllow) {
    const StoredCase cases[] = {
        {"srate", 22050, kRateCombo, "22025", 22025},  {"srate", 8000, kRateCombo, "11025", 11025},
        {"srate", 192000, kRateCombo, "96000", 96000}, {"rsmode", 7, kModeCombo, "Linear", 1},
        {"ramplen", 5000, kRampCombo, "Light", 5000},  {"vol", 50, kVolumeEdit, "0.05", 100},
    };
    for (const StoredCase& c : cases) {
        SCOPED_TRACE(std::string(c.key) + " stored as " + std::to_string(c.stored));
        ASSERT_TRUE(load({{c.key, c.stored}}));
        const std::string shown = c.shown_in == kVolumeEdit ? text_of(control(kVolumeEdit))
                                                            : selected_entry(page_, c.shown_in);
        EXPECT_EQ(shown, c.shown);
        EXPECT_EQ(saved(c.key), c.kept);
    }
    EXPECT_EQ(trackbar_position(), 100);  // the last case: vol 50 is shown at the bottom end
}

struct TypedCase {
    const char* typed;
    int32_t volume;
};

TEST_F(PageUnderWine, TypingInTheVolumeBoxSetsTheVolumeAndTheTrackbar) {
    const TypedCase cases[] = {{"0.5", 500}, {"0,3", 300}, {"2", 1000}, {"-1", 1000}, {"", 100}};
    for (const TypedCase& c : cases) {
        SCOPED_TRACE(std::string("typed \"") + c.typed + "\"");
        ASSERT_EQ(tb_user_clear(control(kVolumeEdit)), 1);
        tb_user_type(control(kVolumeEdit), c.typed);
        EXPECT_EQ(text_of(control(kVolumeEdit)), c.typed);  // left as typed
        EXPECT_EQ(saved("vol"), c.volume);
        EXPECT_EQ(trackbar_position(), c.volume);
    }
}

TEST_F(PageUnderWine, TypingStopsAtFourCharactersButTheBoxShowsLongerSetTexts) {
    ASSERT_TRUE(load({{"vol", 125}}));
    EXPECT_EQ(text_of(control(kVolumeEdit)), "0.125");
    tb_user_clear(control(kVolumeEdit));
    EXPECT_EQ(tb_user_type(control(kVolumeEdit), "0.125"), 4);
    EXPECT_EQ(saved("vol"), 120);
}

TEST_F(PageUnderWine, DraggingTheTrackbarTo250ShowsAQuarter) {
    ASSERT_EQ(tb_user_drag(control(kVolumeTrackbar), 250), 1);
    EXPECT_EQ(text_of(control(kVolumeEdit)), "0.25");
    EXPECT_EQ(saved("vol"), 250);
    ASSERT_EQ(tb_user_drag(control(kVolumeTrackbar), 1000), 1);
    EXPECT_EQ(text_of(control(kVolumeEdit)), "1");
    EXPECT_EQ(trackbar_position(), 1000);
}

TEST_F(PageUnderWine, LoopSongForeverStoresOneWhenCheckedAndZeroWhenNot) {
    EXPECT_EQ(text_of(control(kLoopCheck)), "Loop song forever.");
    tb_user_click(control(kLoopCheck));
    EXPECT_EQ(SendMessageW(control(kLoopCheck), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(saved("loop"), 1);
    tb_user_click(control(kLoopCheck));
    EXPECT_EQ(SendMessageW(control(kLoopCheck), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(saved("loop"), 0);
}

TEST_F(PageUnderWine, PickedSettingsAreSavedAsOneRecordAndReachTheNextSongOpened) {
    HWND rate = control(kRateCombo);
    ASSERT_EQ(tb_user_pick(rate, 2), 1);
    ASSERT_EQ(tb_user_pick(control(kRampCombo), 2), 1);
    EXPECT_EQ(selected_entry(page_, kRateCombo), "22025");
    EXPECT_EQ(selected_entry(page_, kRampCombo), "Heavy");
    const std::vector<uint8_t> record = plugin_->save_settings();
    EXPECT_EQ(record.size(), 85u);  // five records: lengths, names and 4-byte values
    EXPECT_EQ(saved("srate"), 22025);
    EXPECT_EQ(saved("ramplen"), 8000);

    standin::MemoryFile file(tarnwick::demo::kDemoSong, tarnwick::demo::kDemoSongSize);
    standin::TrackReport report;
    standin::ServiceRef<qarvel::Decoder> decoder = plugin_->new_decoder();
    ASSERT_TRUE(decoder);
    ASSERT_TRUE(decoder->open(&file, &report, 2));
    standin::BlockBuffer block;
    ASSERT_EQ(decoder->decode(&block), 1);
    EXPECT_EQ(block.sample_rate(), 22025u);
    EXPECT_EQ(block.frames(), 512u);
}

}  // namespace
