#include "loader/sample.h"

#include <cstring>
#include <new>

#include "loader/packed_sample.h"

namespace tarnwick {

namespace {

constexpr float kPcm8Scale = 0.0078125f;           // 1 / 128
constexpr float kPcm16Scale = 0.000030517578125f;  // 1 / 32768

bool store_text(std::unique_ptr<char[]>& field, const char* text) {
    field.reset();
    if (text == nullptr) return true;
    const size_t size = std::strlen(text) + 1;
    std::unique_ptr<char[]> copy(new (std::nothrow) char[size]);
    if (!copy) return false;
    std::memcpy(copy.get(), text, size);
    field = std::move(copy);
    return true;
}

// How many of `frames` frames a block of `byte_count` bytes can really hold.
uint32_t frames_provided(SampleFormat format, uint32_t frames, uint32_t byte_count) {
    uint64_t provided = 0;
    switch (format) {
        case SampleFormat::pcm8:
            provided = byte_count;
            break;
        case SampleFormat::pcm16:
            provided = byte_count / 2;
            break;
        // Every packed frame takes at least its sign bit.
        case SampleFormat::packed:
            provided = uint64_t{byte_count} * 8;
            break;
        default:
            provided = 0;
            break;
    }
    return provided < frames ? static_cast<uint32_t>(provided) : frames;
}

}  // namespace

bool Sample::set_name(const char* text) {
    return store_text(name, text);
}

bool Sample::set_library_name(const char* text) {
    return store_text(library_name, text);
}

bool Sample::set_data(const uint8_t* bytes, uint32_t frames, uint32_t byte_count,
                      SampleFormat stored_format) {
    data.reset();
    stored_elements = 0;
    set_length(frames);
    format = stored_format;
    if (bytes == nullptr || frames == 0 || frames > kMaxSampleFrames) return false;

    // All frames present: guard, frames, guard. Fewer: guard and the frames there are; every
    // later element, the last guard included, reads as silence.
    const uint32_t provided = frames_provided(stored_format, frames, byte_count);
    const uint32_t held = provided == frames ? frames + 2 : (provided > 0 ? provided + 1 : 2);
    std::unique_ptr<float[]> elements(new (std::nothrow) float[held]());
    if (!elements) return false;

    float* frame = elements.get() + 1;
    switch (stored_format) {
        case SampleFormat::pcm8:
            for (uint32_t i = 0; i < provided; ++i) {
                frame[i] = static_cast<float>(static_cast<int8_t>(bytes[i])) * kPcm8Scale;
            }
            break;
        case SampleFormat::pcm16:
            for (uint32_t i = 0; i < provided; ++i) {
                const uint16_t raw = static_cast<uint16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
                frame[i] = static_cast<float>(static_cast<int16_t>(raw)) * kPcm16Scale;
            }
            break;
        case SampleFormat::packed:
            unpack(frame, bytes, byte_count, provided);
            break;
        default:
            break;  // silence
    }
    elements[0] = elements[1];
    if (provided == frames) elements[frames + 1] = elements[frames];

    data = std::move(elements);
    stored_elements = held;
    return true;
}

bool SampleList::resize(uint32_t n) {
    if (n == 0) {
        items_.reset();
        count_ = 0;
        return true;
    }
    std::unique_ptr<std::unique_ptr<Sample>[]> items(new (std::nothrow) std::unique_ptr<Sample>[n]);
    if (!items) return false;
    const uint32_t kept = count_ < n ? count_ : n;
    // New records first: a failure leaves the list as it was.
    for (uint32_t i = kept; i < n; ++i) {
        items[i].reset(new (std::nothrow) Sample);
        if (!items[i]) return false;
    }
    for (uint32_t i = 0; i < kept; ++i) items[i] = std::move(items_[i]);
    items_ = std::move(items);
    count_ = n;
    return true;
}

}  // namespace tarnwick
