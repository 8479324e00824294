// Surveys the memory that loading and playing each file of a folder takes, for measuring a
// fuzz corpus: TARNWICK_SURVEY_DIR=build/fuzz/corpus/load_module tarnwick_robustness_tests
// --gtest_filter=MemorySurvey.*  prints the largest peak and the file that caused it. Without
// the variable the survey runs over tests/data.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/robustness/hostile_playback.h"
#include "tests/support/allocation_meter.h"

namespace tarnwick::robustness {
namespace {

namespace fs = std::filesystem;

struct Worst {
    size_t bytes = 0;
    size_t file_size = 0;
    std::string file;

    void note(size_t peak, size_t size, const fs::path& path) {
        if (peak > bytes) *this = {peak, size, path.filename().string()};
    }
};

TEST(MemorySurvey, LargestPeakOfLoadingAndPlayingAnyFileOfTheFolder) {
    const char* folder = std::getenv("TARNWICK_SURVEY_DIR");
    const fs::path dir = folder != nullptr ? fs::path(folder) : fs::path(TARNWICK_TEST_DATA_DIR);
    ASSERT_TRUE(fs::is_directory(dir)) << dir;
    Worst load, playback;
    size_t files = 0;
    size_t loaded = 0;
    for (const auto& entry : fs::directory_iterator(dir)) {
        if (!entry.is_regular_file()) continue;
        std::ifstream in(entry.path(), std::ios::binary);
        const std::vector<uint8_t> image(std::istreambuf_iterator<char>(in), {});
        ++files;
        {
            test::AllocationMeter meter;
            Module module;
            const bool ok = module.load_module(image.data(), image.size());
            meter.stop();
            load.note(meter.peak(), image.size(), entry.path());
            loaded += ok;
        }
        test::AllocationMeter meter;
        PlaySettings s;
        s.blocks = 4;
        const PlayOutcome outcome = play(image, s);
        meter.stop();
        playback.note(meter.peak(), image.size(), entry.path());
        EXPECT_EQ(outcome.fault, "") << entry.path();
    }
    std::printf("%zu files, %zu loaded\n", files, loaded);
    std::printf("largest peak of a load: %zu bytes (%s, %zu bytes)\n", load.bytes,
                load.file.c_str(), load.file_size);
    std::printf("largest peak of load, length scan and 4 blocks: %zu bytes (%s, %zu bytes)\n",
                playback.bytes, playback.file.c_str(), playback.file_size);
}

}  // namespace
}  // namespace tarnwick::robustness
