// Every input that once crashed, hung, leaked or misbehaved is kept under tests/data/, named
// after what it exposes, and replayed here through the same path as when it was found:
//   *.dmf       a file: load, length scan and rendering under every resampling mode, with
//               ramping on and off, looping on and off
//   *.render    a render fuzz input: settings bytes, then the file (fuzz/render_settings.h)
//   *.packed    a packed-sample block after a u16 frame count
//   *.settings  stored settings handed back by the host, then a song played with them
//   *.text      a text-utility input: a selector byte (0 decimal, 1 code page 437, 2 format)
//   *.decode    a host's session with a decoder service: open flags and host behaviour,
//               stored settings, then the file (fuzz/decoder_session.h)

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "dmf_writer/dmf_writer.h"
#include "fuzz/decoder_session.h"
#include "fuzz/render_settings.h"
#include "loader/packed_sample.h"
#include "loader/pattern_reader.h"
#include "shell/config_var.h"
#include "shell/cp437.h"
#include "shell/parse_decimal.h"
#include "shell/text_builder.h"
#include "tests/robustness/hostile_playback.h"
#include "tests/support/allocation_meter.h"

namespace tarnwick::robustness {
namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> read_file(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::vector<fs::path> data_files(const std::string& extension) {
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(TARNWICK_TEST_DATA_DIR)) {
        if (entry.is_regular_file() && entry.path().extension() == extension)
            files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

// Loading and playing holds at most this much: 64 bytes per file byte, the decoded pattern
// budget, and the players of the widest pattern.
size_t memory_allowance(size_t file_size) {
    return 64 * file_size + kPatternCellBudget + 255 * (sizeof(TrackPlayer) + 64);
}

TEST(RegressionInputs, TheDataFolderHoldsInputsOfEveryKind) {
    for (const char* extension : {".dmf", ".render", ".packed", ".settings", ".text", ".decode"})
        EXPECT_FALSE(data_files(extension).empty()) << extension;
}

TEST(RegressionInputs, FilesPlayUnderEverySettingWithinTheirMemory) {
    for (const fs::path& path : data_files(".dmf")) {
        const std::vector<uint8_t> image = read_file(path);
        for (const PlaySettings& s : settings_grid(16)) {
            test::AllocationMeter meter;
            const PlayOutcome outcome = play(image, s);
            meter.stop();
            EXPECT_EQ(outcome.fault, "") << path.filename() << " mode " << s.resample_mode;
            EXPECT_LE(meter.peak(), memory_allowance(image.size())) << path.filename();
        }
    }
}

TEST(RegressionInputs, RenderInputsPlayUnderTheirOwnSettings) {
    for (const fs::path& path : data_files(".render")) {
        const std::vector<uint8_t> input = read_file(path);
        const uint8_t* data = input.data();
        size_t size = input.size();
        fuzz::RenderSettings chosen;
        ASSERT_TRUE(fuzz::take_render_settings(data, size, chosen)) << path.filename();
        EXPECT_EQ(play(data, size, PlaySettings(chosen, 64)).fault, "") << path.filename();
    }
}

TEST(RegressionInputs, PackedBlocksDecodeWithinTheirOutput) {
    for (const fs::path& path : data_files(".packed")) {
        const std::vector<uint8_t> input = read_file(path);
        ASSERT_GE(input.size(), 2u) << path.filename();
        const uint32_t frames = input[0] | input[1] << 8;
        const uint32_t size = static_cast<uint32_t>(input.size() - 2);
        // Exact heap copies, so that the sanitizer builds catch any step outside them.
        std::unique_ptr<uint8_t[]> block(new uint8_t[size]);
        std::copy(input.begin() + 2, input.end(), block.get());
        std::unique_ptr<float[]> output(new float[frames]);
        std::fill_n(output.get(), frames, 2.0f);
        const uint32_t written = unpack(output.get(), block.get(), size, frames);
        EXPECT_LE(written, frames) << path.filename();
        for (uint32_t i = 0; i < written; ++i) {
            EXPECT_GE(output[i], -1.0f) << path.filename();
            EXPECT_LT(output[i], 1.0f) << path.filename();
        }
        for (uint32_t i = written; i < frames; ++i) EXPECT_EQ(output[i], 2.0f) << path.filename();
    }
}

TEST(RegressionInputs, StoredSettingsLoadAndPlay) {
    const writer::Bytes song = writer::minimal_song().build();
    for (const fs::path& path : data_files(".settings")) {
        const std::vector<uint8_t> blob = read_file(path);
        std::unique_ptr<uint8_t[]> exact(new uint8_t[blob.size()]);
        std::copy(blob.begin(), blob.end(), exact.get());
        ConfigVar::load_all(exact.get(), blob.size());
        const PlayOutcome outcome = play(song, PlaySettings(test::PlaybackSettings::stored()));
        EXPECT_TRUE(outcome.loaded());
        EXPECT_EQ(outcome.fault, "") << path.filename();
        test::store_settings({});
    }
}

TEST(RegressionInputs, TextsConvertWithoutReadingPastThemselves) {
    for (const fs::path& path : data_files(".text")) {
        const std::vector<uint8_t> input = read_file(path);
        ASSERT_GE(input.size(), 1u) << path.filename();
        const size_t size = input.size() - 1;
        std::unique_ptr<char[]> text(new char[size + 1]);
        std::copy(input.begin() + 1, input.end(), text.get());
        text[size] = '\0';
        switch (input[0] % 3) {
            case 0:
                EXPECT_FALSE(std::isnan(parse_decimal(text.get()))) << path.filename();
                break;
            case 1: {
                std::unique_ptr<char[]> unterminated(new char[size]);
                std::copy(input.begin() + 1, input.end(), unterminated.get());
                EXPECT_FALSE(text_from_cp437(unterminated.get(), size).out_of_memory());
                break;
            }
            default: {
                TextBuilder builder;
                const FormatArg args[] = {FormatArg("text"), FormatArg(-1), FormatArg(7u),
                                          FormatArg()};
                builder.format_text_list(text.get(), args, 3);
                EXPECT_LE(builder.length(), (size + 1) * (kMaxFormatWidth + 16));
                break;
            }
        }
    }
}

// The session's check of the texts a decoder reports: shortest forms only, no surrogates, no
// cut sequences, nothing past U+10FFFF.
TEST(RegressionInputs, TheSessionsUtf8CheckTellsWellFormedTexts) {
    const std::pair<const char*, bool> cases[] = {
        {"", true},
        {"plain", true},
        {"\xC3\xA9", true},
        {"\xE2\x96\x91", true},
        {"\xF0\x9F\x8E\xB5", true},
        {"\xC3", false},
        {"\xE2\x96", false},
        {"\xC0\xAF", false},
        {"\xED\xA0\x80", false},
        {"\xF4\x90\x80\x80", false},
        {"\x80", false},
        {"\xFF", false},
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(fuzz::is_utf8(text), expected) << text;
}

TEST(RegressionInputs, DecoderSessionsKeepEveryPromise) {
    for (const fs::path& path : data_files(".decode")) {
        const std::vector<uint8_t> input = read_file(path);
        EXPECT_EQ(fuzz::run_decoder_session(input.data(), input.size()), "") << path.filename();
    }
}

}  // namespace
}  // namespace tarnwick::robustness
