// Golden renders: each song, in each interpolation mode with volume ramping off and on, is
// decoded to its end and the SHA-256 of its samples (as `qarvel render --format f32` writes
// them: little-endian 32-bit floats, interleaved stereo) is compared with the digest checked
// in beside this file. A change that alters every build alike fails here, where the
// comparisons of one build against another cannot see it.
//
// Regenerating the digests is a deliberate act, with the reason in the commit message:
//     TARNWICK_UPDATE_GOLDEN=1 build/NAME/tests/tarnwick_golden_tests

#include <gtest/gtest.h>

#include <bit>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "demo/demo_song_bytes.h"
#include "tests/decoder/decoder_fixture.h"
#include "tests/plugin/plugin_songs.h"
#include "tests/robustness/busy_song.h"
#include "tests/support/sha256.h"

namespace tarnwick::golden_test {
namespace {

namespace fs = std::filesystem;
using decoder_test::DecoderFixture;
using test::StoredSettings;

const char* const kDigestFile = TARNWICK_GOLDEN_DIGESTS;
const char* const kModes[] = {"nearest", "linear", "cubic"};
struct Ramp {
    const char* name;
    int32_t ramplen;
};
const Ramp kRamps[] = {{"ramp-off", 0}, {"ramp-on", kDefaultRampLength}};

struct GoldenSong {
    std::string name;
    writer::Bytes image;
    // Test names and failures show the song's name, not its bytes.
    friend void PrintTo(const GoldenSong& song, std::ostream* os) { *os << song.name; }
};

std::vector<GoldenSong> golden_songs() {
    std::vector<GoldenSong> songs = {
        {"demo", writer::Bytes(demo::kDemoSong, demo::kDemoSong + demo::kDemoSongSize)},
        {"two_tracks", plugin_test::two_track_song().build()},
        {"minimal", writer::minimal_song().build()},
        {"busy", robustness::busy_song().build()},
    };
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(TARNWICK_TEST_DATA_DIR)) {
        if (entry.path().extension() == ".dmf") files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    for (const fs::path& path : files) {
        std::ifstream in(path, std::ios::binary);
        songs.push_back({"data_" + path.stem().string(),
                         writer::Bytes(std::istreambuf_iterator<char>(in), {})});
    }
    return songs;
}

// "song mode ramp" -> digest, as checked in.
using Digests = std::map<std::string, std::string>;

Digests read_digests() {
    Digests digests;
    std::ifstream in(kDigestFile);
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        std::string song, mode, ramp, digest;
        if (fields >> song >> mode >> ramp >> digest)
            digests[song + " " + mode + " " + ramp] = digest;
    }
    return digests;
}

// What an update run computes, written out when the program ends.
Digests& computed() {
    static Digests digests;
    return digests;
}

bool updating() {
    return std::getenv("TARNWICK_UPDATE_GOLDEN") != nullptr;
}

class WriteDigestsWhenUpdating : public ::testing::Environment {
  public:
    void TearDown() override {
        if (!updating()) return;
        std::ofstream out(kDigestFile);
        out << "# song mode ramp sha256 of the rendered 32-bit float samples (the default rate\n"
               "# and volume, no loop). Regenerate: TARNWICK_UPDATE_GOLDEN=1 "
               "build/NAME/tests/tarnwick_golden_tests,\n# and say why in the commit message.\n";
        for (const auto& [key, digest] : computed()) out << key << " " << digest << "\n";
        std::printf("golden digests written to %s\n", kDigestFile);
    }
};
const auto* const kWriter = ::testing::AddGlobalTestEnvironment(new WriteDigestsWhenUpdating);

std::string render_digest(DecoderService* decoder, const writer::Bytes& image) {
    test_host::BytesFile file(image);
    test_host::TrackInfo info;
    if (!decoder->open(&file, &info, qarvel::OPEN_DECODE | qarvel::OPEN_NO_LOOP)) return "refused";
    const test_host::DecodedSong song = test_host::decode_to_end(*decoder, 1u << 17);
    if (song.last_result != 0) return "did-not-end";
    static_assert(std::endian::native == std::endian::little);
    std::vector<float> narrowed(song.samples.begin(), song.samples.end());
    return test::sha256_hex(reinterpret_cast<const uint8_t*>(narrowed.data()),
                            narrowed.size() * sizeof(float));
}

class GoldenRender : public DecoderFixture, public ::testing::WithParamInterface<GoldenSong> {};

TEST_P(GoldenRender, EveryModeAndRampRendersItsCheckedInDigest) {
    const Digests expected = read_digests();
    for (int mode = 0; mode < 3; ++mode) {
        for (const Ramp& ramp : kRamps) {
            const std::string key = GetParam().name + " " + kModes[mode] + " " + ramp.name;
            StoredSettings settings;
            settings.rsmode = mode;
            settings.ramplen = ramp.ramplen;
            test::store_settings(settings);
            const std::string digest = render_digest(make_service(), GetParam().image);
            if (updating()) {
                computed()[key] = digest;
                continue;
            }
            const auto found = expected.find(key);
            ASSERT_NE(found, expected.end()) << key << " has no digest in " << kDigestFile;
            EXPECT_EQ(digest, found->second) << key << " renders differently";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Songs, GoldenRender, ::testing::ValuesIn(golden_songs()),
                         [](const auto& info) { return info.param.name; });

TEST(GoldenDigests, EveryCheckedInDigestBelongsToASongThatIsRendered) {
    if (updating()) return;
    std::map<std::string, bool> names;
    for (const GoldenSong& song : golden_songs()) names[song.name] = true;
    const Digests digests = read_digests();
    EXPECT_EQ(digests.size(), names.size() * 6);
    for (const auto& [key, digest] : digests) {
        EXPECT_TRUE(names.count(key.substr(0, key.find(' ')))) << key << " is stale";
    }
}

TEST(GoldenDigests, TheDigestIsSha256) {
    const uint8_t abc[] = {'a', 'b', 'c'};
    EXPECT_EQ(test::sha256_hex(abc, 3),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}

}  // namespace
}  // namespace tarnwick::golden_test
