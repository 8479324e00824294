#pragma once
// What the decoder tests share: a host with a console, the five settings put back after each
// test, songs built with the test writer, and memory that can be made to run out.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "decoder/decoder_service.h"
#include "dmf_writer/dmf_writer.h"
#include "shell/config_var.h"
#include "shell/console.h"
#include "tests/support/stored_settings.h"
#include "tests/support/test_host.h"

namespace tarnwick::decoder_test {

using writer::note_cell;
using writer::PatternDesc;
using writer::SampleDesc;
using writer::Song;

// Memory for a decoder service whose n-th allocation (counted from 1, the service itself
// first, then the file image, then the output block) fails. 0: nothing fails.
class CountedMemory {
  public:
    explicit CountedMemory(int fail_at = 0) {
        fail_at_ref() = fail_at;
        count_ref() = 0;
        live_ref() = 0;
    }
    const DecoderMemory& memory() const {
        static constexpr DecoderMemory kCounted = {&allocate, &release};
        return kCounted;
    }
    int allocations() const { return count_ref(); }
    // Blocks allocated and not yet released.
    int live() const { return live_ref(); }

  private:
    static int& fail_at_ref() {
        static int value = 0;
        return value;
    }
    static int& count_ref() {
        static int value = 0;
        return value;
    }
    static int& live_ref() {
        static int value = 0;
        return value;
    }
    static void* allocate(size_t bytes) {
        if (++count_ref() == fail_at_ref()) return nullptr;
        void* block = std::malloc(bytes != 0 ? bytes : 1);
        if (block != nullptr) ++live_ref();
        return block;
    }
    static void release(void* block) {
        if (block != nullptr) --live_ref();
        std::free(block);
    }
};

using test::store_settings;
using test::StoredSettings;

// A looping square wave of 32 frames.
inline SampleDesc square_sample(const char* name = "square") {
    std::vector<int8_t> frames(32);
    for (size_t i = 0; i < frames.size(); ++i) frames[i] = i < 16 ? 100 : -100;
    return SampleDesc::pcm8(name, frames).loop(0, 31);
}

// One track playing a note on row 0 for `rows` rows, `orders` times; at the default tempo a
// row lasts 1/8 s (4 ticks at 32 ticks per second).
inline Song tone_song(uint32_t rows = 16, uint32_t orders = 1) {
    Song song;
    song.track_count = 1;
    PatternDesc pattern(1, rows);
    pattern.set(0, 0, note_cell(49, 1));
    song.patterns.push_back(pattern);
    song.orders.assign(orders, 0);
    song.samples.push_back(square_sample());
    return song;
}

// The length the song's own scan gives, as the host should receive it.
inline double expected_length(const Song& song) {
    Module module;
    const writer::Bytes image = song.build();
    if (!module.load_module(image.data(), image.size())) return -1.0;
    return static_cast<double>(module.compute_length_seconds());
}

// A host's services installed and the stored settings at their defaults for the test; the
// services it makes are released at its end. Each test file names its suites after what they
// check (`using Opening = DecoderFixture;`).
class DecoderFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        store_settings({});
        tarnwick::set_host_services(&services_);
    }
    void TearDown() override {
        for (DecoderService* d : owned_) {
            while (d->release() > 0) {
            }
        }
        tarnwick::set_host_services(nullptr);
        store_settings({});
    }

    // A new service released at the end of the test (whatever references it still holds).
    DecoderService* make_service(const DecoderMemory& memory = ordinary_decoder_memory()) {
        DecoderService* d = create_decoder_service(memory);
        if (d != nullptr) owned_.push_back(d);
        return d;
    }
    // Opens a new service on `song`; asserts that the open gives `expected`.
    DecoderService* open_song(const Song& song, uint32_t flags, bool expected = true) {
        DecoderService* d = make_service();
        test_host::BytesFile file(song.build());
        EXPECT_EQ(d->open(&file, &info_, flags), expected);
        return d;
    }
    // Opens a new service on `image` with `info` as its track information (a record of the
    // caller's own, one per open in tables of songs): the service if it opened, null if not.
    DecoderService* open_image_into(test_host::TrackInfo& info, const writer::Bytes& image,
                                    uint32_t flags) {
        DecoderService* d = make_service();
        test_host::BytesFile file(image);
        return d->open(&file, &info, flags) ? d : nullptr;
    }
    DecoderService* open_song_into(test_host::TrackInfo& info, const Song& song, uint32_t flags) {
        return open_image_into(info, song.build(), flags);
    }
    // Forget a service the test released itself.
    void disown(DecoderService* d) { std::erase(owned_, d); }

    test_host::Console console_;
    test_host::Services services_{&console_};
    test_host::TrackInfo info_;
    std::vector<DecoderService*> owned_;
};

}  // namespace tarnwick::decoder_test
