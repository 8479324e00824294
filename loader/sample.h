#pragma once
// Samples: descriptions from "SMPI" and 32-bit float frames from "SMPD".
//
// `data` holds frame i at element i + 1, with a guard element before the first frame and after
// the last, so interpolators may read one frame past either end. Only the frames that a stored
// block really provides are kept: `stored_elements` counts the elements actually held, which
// may be fewer than `data_length`; every element from `stored_elements` on reads as 0.0
// (`fetch`), so a short block or a missing block plays as silence while `length` and the loop
// fields keep the values that the file gave them.

#include <cstdint>
#include <memory>
#include <utility>

namespace tarnwick {

enum class SampleFormat : uint32_t {
    pcm8 = 0,         // signed 8-bit frames
    pcm16 = 1,        // signed 16-bit little-endian frames
    packed = 2,       // bit-tree packed 8-bit deltas
    unsupported = 4,  // storage the loader does not decode: its frames are silence
};

// Longest sample the loader accepts, in frames.
inline constexpr uint32_t kMaxSampleFrames = 200000000;

struct Sample {
    std::unique_ptr<char[]> name;          // 0..30 bytes, or null
    std::unique_ptr<char[]> library_name;  // up to 8 bytes (version 8 files only), or null
    std::unique_ptr<float[]> data;         // `stored_elements` floats, or null
    SampleFormat format = SampleFormat::pcm8;
    uint32_t length = 0;       // frames
    uint32_t data_length = 0;  // length + 2, set whenever length is set
    uint32_t loop_start = 0;   // first frame of the loop
    uint32_t loop_end = 0;     // last frame of the loop; 0 = not looping
    float base_rate = 0.0f;    // Hz at the reference pitch
    float volume = 0.0f;       // default volume 0..255; 0 = none
    uint32_t stored_elements = 0;  // elements of `data` actually held, at most data_length

    // Sets `length` and `data_length` together (`data_length` stops at the u32 maximum).
    void set_length(uint32_t frames) {
        length = frames;
        data_length = frames > UINT32_MAX - 2 ? UINT32_MAX : frames + 2;
    }
    bool set_name(const char* text);
    bool set_library_name(const char* text);
    // Builds `data` from a stored block of `byte_count` bytes holding `frames` frames in `format`.
    // Keeps only the frames the block provides: pcm8 min(frames, bytes), pcm16
    // min(frames, bytes / 2), packed at most min(frames, 8 * bytes), unsupported none (two
    // silent elements). False for no bytes, 0 frames, more than kMaxSampleFrames, or a
    // failed allocation; `data` is then null.
    bool set_data(const uint8_t* bytes, uint32_t frames, uint32_t byte_count, SampleFormat format);

    // Element i of the data, or 0.0 for any element that is not held (the mixer's fetch rule).
    float fetch(uint32_t i) const { return i < stored_elements ? data[i] : 0.0f; }
};

class SampleList {
public:
    // The record at `index`, or null when index >= count or the entry is empty.
    Sample* at(uint32_t index) const { return index < count_ ? items_[index].get() : nullptr; }
    uint32_t count() const { return count_; }
    // Keeps the first min(old, n) records, releases the rest, appends empty ones up to n.
    bool resize(uint32_t n);
    // Puts `sample` at `index` (< count; otherwise nothing happens), releasing the record there;
    // a null `sample` leaves the slot empty. For tests and tools that lay out a list by hand:
    // the loader fills the records that resize appends.
    void replace(uint32_t index, std::unique_ptr<Sample> sample) {
        if (index < count_) items_[index] = std::move(sample);
    }

private:
    std::unique_ptr<std::unique_ptr<Sample>[]> items_;
    uint32_t count_ = 0;
};

}  // namespace tarnwick
