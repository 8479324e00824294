// The preferences page of each built library, shown and used as a host and a user would: the
// host hands back stored settings, shows the page through the page service, the user acts on
// it through textbridge, and the host saves what the plug-in then holds. A change reaches the
// next decoder opened, never the one playing.

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

#include "tests/plugin/loaded_plugin.h"
#include "tests/plugin/plugin_songs.h"
#include "textbridge/textbridge.h"

namespace tarnwick::plugin_test {
namespace {

struct BuiltLibrary {
    const char* label;
    const char* path;
};
void PrintTo(const BuiltLibrary& library, std::ostream* out) {
    *out << library.label;
}

// Each built library: this build folder's edition, and the other one when it was built.
std::vector<BuiltLibrary> built_libraries() {
    std::vector<BuiltLibrary> libraries = {{"ThisEdition", this_edition_path()}};
    if (other_edition_path()[0] != '\0') {
        libraries.push_back({"OtherEdition", other_edition_path()});
    }
    return libraries;
}

class PluginPageTest : public ::testing::TestWithParam<BuiltLibrary> {
  protected:
    void SetUp() override {
        std::string error;
        plugin_ = LoadedPlugin::at(GetParam().path, &error);
        ASSERT_NE(plugin_, nullptr) << error;
        plugin_->store(SettingValues{});
        frame_ = tb_create_frame("qarvel preferences");
    }
    void TearDown() override {
        tb_destroy_window(frame_);
        if (plugin_ != nullptr) plugin_->store(SettingValues{});
    }

    // Shows the page inside the host's window, as the host does.
    tb_hwnd show_page() {
        qarvel::PreferencesPage* service = plugin_->page();
        EXPECT_NE(service, nullptr);
        if (service == nullptr) return nullptr;
        EXPECT_STREQ(service->name(), "tarnwick");
        EXPECT_STREQ(service->group_name(), "Input");
        tb_hwnd page = service->create_page(frame_);
        service->release();
        EXPECT_NE(page, nullptr);
        return page;
    }
    std::string selected(tb_hwnd page, int32_t combo) {
        const tb_lresult i = uSendDlgItemMessage(page, combo, CB_GETCURSEL, 0, 0);
        const char* text = tb_combo_entry(GetDlgItem(page, combo), static_cast<uint32_t>(i));
        return text != nullptr ? text : "";
    }
    // Picks the entry of a combo box that reads `text`, as a user would.
    void pick(tb_hwnd page, int32_t combo, const std::string& text) {
        tb_hwnd box = GetDlgItem(page, combo);
        for (uint32_t i = 0; tb_combo_entry(box, i) != nullptr; ++i) {
            if (text == tb_combo_entry(box, i)) {
                tb_user_pick(box, i);
                return;
            }
        }
        ADD_FAILURE() << "no entry " << text;
    }

    LoadedPlugin* plugin_ = nullptr;
    tb_hwnd frame_ = nullptr;
};

TEST_P(PluginPageTest, ThePageShowsTheStoredSettingsAndRewritesThoseItCannotShow) {
    SettingValues stored;
    stored.srate = 22050;
    stored.rsmode = 7;
    stored.ramplen = 5000;
    stored.vol = 50;
    plugin_->store(stored);
    tb_hwnd page = show_page();
    ASSERT_NE(page, nullptr);

    EXPECT_EQ(tb_child_count(page), 16u);
    EXPECT_EQ(selected(page, 1001), "22025");
    EXPECT_EQ(selected(page, 1005), "Linear");
    EXPECT_EQ(selected(page, 1007), "Light");
    EXPECT_STREQ(tb_window_text(GetDlgItem(page, 1004)), "0.05");
    EXPECT_EQ(uSendDlgItemMessage(page, 1003, TBM_GETPOS, 0, 0), 100);

    // What the host saves now.
    EXPECT_EQ(plugin_->setting("srate"), 22025);
    EXPECT_EQ(plugin_->setting("rsmode"), 1);
    EXPECT_EQ(plugin_->setting("ramplen"), 5000);
    EXPECT_EQ(plugin_->setting("vol"), 100);
    EXPECT_EQ(plugin_->setting("loop"), 0);
}

TEST_P(PluginPageTest, WhatTheUserDoesIsWhatTheHostSaves) {
    tb_hwnd page = show_page();
    ASSERT_NE(page, nullptr);
    pick(page, 1001, "44100");
    pick(page, 1005, "Cubic test");
    pick(page, 1007, "Heavy");
    tb_user_clear(GetDlgItem(page, 1004));
    tb_user_type(GetDlgItem(page, 1004), "0,3");
    tb_user_click(GetDlgItem(page, 1008));

    const std::vector<uint8_t> saved = plugin_->saved_settings();
    EXPECT_EQ(saved.size(), 85u);
    const auto records = test::parse_settings_records(saved);
    const std::vector<std::pair<std::string, int32_t>> expected = {
        {"loop", 1}, {"ramplen", 8000}, {"vol", 300}, {"rsmode", 2}, {"srate", 44100}};
    EXPECT_EQ(records, expected);

    tb_user_drag(GetDlgItem(page, 1003), 250);
    EXPECT_EQ(plugin_->setting("vol"), 250);
    EXPECT_STREQ(tb_window_text(GetDlgItem(page, 1004)), "0.25");
}

struct Played {
    std::vector<double> samples;
    std::vector<uint32_t> rates;  // of every delivered block
    int32_t last_result = 1;
};

// Decodes up to `blocks` more blocks.
Played play(qarvel::Decoder& decoder, uint32_t blocks) {
    Played out;
    test_host::AudioChunk chunk;
    for (uint32_t i = 0; i < blocks; ++i) {
        out.last_result = decoder.decode(&chunk);
        if (out.last_result != 1) break;
        out.samples.insert(out.samples.end(), chunk.samples().begin(),
                           chunk.samples().begin() + 2 * chunk.frames());
        out.rates.push_back(chunk.sample_rate());
    }
    return out;
}

qarvel::Decoder* open(LoadedPlugin& plugin, const writer::Bytes& image,
                      test_host::TrackInfo& info) {
    qarvel::Decoder* decoder = plugin.new_decoder();
    EXPECT_NE(decoder, nullptr);
    if (decoder == nullptr) return nullptr;
    test_host::BytesFile file(image);
    EXPECT_TRUE(decoder->open(&file, &info, qarvel::OPEN_INFO | qarvel::OPEN_DECODE));
    return decoder;
}

TEST_P(PluginPageTest, AChangeReachesTheNextDecoderOpenedNotTheOnePlaying) {
    const writer::Bytes image = two_track_song().build();
    constexpr uint32_t kMostBlocks = 2000;

    // The song as it plays when nobody touches the page.
    test_host::TrackInfo reference_info;
    qarvel::Decoder* reference = open(*plugin_, image, reference_info);
    ASSERT_NE(reference, nullptr);
    const Played untouched = play(*reference, kMostBlocks);
    reference->release();
    ASSERT_EQ(untouched.last_result, 0);
    ASSERT_NE(std::count_if(untouched.samples.begin(), untouched.samples.end(),
                            [](double v) { return v != 0.0; }),
              0)
        << "the song should be heard";

    tb_hwnd page = show_page();
    ASSERT_NE(page, nullptr);
    test_host::TrackInfo playing_info;
    qarvel::Decoder* playing = open(*plugin_, image, playing_info);
    ASSERT_NE(playing, nullptr);
    Played played = play(*playing, 10);

    // The user changes every setting while the song plays.
    pick(page, 1001, "22025");
    pick(page, 1005, "Nearest");
    pick(page, 1007, "Disabled");
    tb_user_drag(GetDlgItem(page, 1003), 700);
    tb_user_click(GetDlgItem(page, 1008));

    const Played rest = play(*playing, kMostBlocks);
    playing->release();
    played.samples.insert(played.samples.end(), rest.samples.begin(), rest.samples.end());
    played.rates.insert(played.rates.end(), rest.rates.begin(), rest.rates.end());
    EXPECT_EQ(rest.last_result, 0) << "the playing song still ends: it does not loop";
    EXPECT_EQ(played.samples, untouched.samples) << "the playing song sounds as before";
    for (uint32_t rate : played.rates) ASSERT_EQ(rate, 48000u);

    test_host::TrackInfo next_info;
    qarvel::Decoder* next = open(*plugin_, image, next_info);
    ASSERT_NE(next, nullptr);
    EXPECT_EQ(next_info.technical("samplerate"), "22025");
    const Played changed = play(*next, untouched.rates.size() + 50);
    next->release();
    EXPECT_EQ(changed.last_result, 1) << "the next song loops";
    ASSERT_FALSE(changed.rates.empty());
    EXPECT_EQ(changed.rates.front(), 22025u);
}

INSTANTIATE_TEST_SUITE_P(BuiltLibraries, PluginPageTest, ::testing::ValuesIn(built_libraries()),
                         [](const ::testing::TestParamInfo<BuiltLibrary>& info) {
                             return std::string(info.param.label);
                         });

}  // namespace
}  // namespace tarnwick::plugin_test
