#include "dmf_writer/sample_encoder.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace tarnwick::writer {

namespace {

int16_t quantize(float x, float scale, int lo, int hi) {
    if (std::isnan(x)) return 0;
    float scaled = std::round(std::clamp(x, -2.0f, 2.0f) * scale);
    return static_cast<int16_t>(std::clamp(static_cast<int>(scaled), lo, hi));
}

}  // namespace

SampleDesc SampleDesc::pcm8(std::string name, std::span<const int8_t> frames) {
    SampleDesc s;
    s.name = std::move(name);
    s.storage = Storage::pcm8;
    s.frames.assign(frames.begin(), frames.end());
    return s;
}

SampleDesc SampleDesc::pcm16(std::string name, std::span<const int16_t> frames) {
    SampleDesc s;
    s.name = std::move(name);
    s.storage = Storage::pcm16;
    s.frames.assign(frames.begin(), frames.end());
    return s;
}

SampleDesc SampleDesc::packed(std::string name, std::span<const int8_t> frames, TreeShape tree) {
    SampleDesc s = pcm8(std::move(name), frames);
    s.storage = Storage::packed;
    s.tree = tree;
    return s;
}

SampleDesc SampleDesc::from_floats(std::string name, Storage storage,
                                   std::span<const float> frames) {
    SampleDesc s;
    s.name = std::move(name);
    s.storage = storage;
    for (float x : frames)
        s.frames.push_back(storage == Storage::pcm16 ? quantize(x, 32768.0f, -32768, 32767)
                                                     : quantize(x, 128.0f, -128, 127));
    return s;
}

SampleDesc& SampleDesc::loop(uint32_t first, uint32_t last) {
    looping = true;
    // The loader takes one off the stored value (and halves it for 16-bit storage).
    uint32_t scale = storage == Storage::pcm16 ? 2 : 1;
    file_loop_start = (first + 1) * scale;
    file_loop_end = (last + 1) * scale;
    return *this;
}

uint8_t SampleDesc::derived_flags() const {
    uint8_t storage_bits = 0;
    switch (storage) {
        case Storage::pcm8:
            storage_bits = 0x00;
            break;
        case Storage::pcm16:
            storage_bits = 0x02;
            break;
        case Storage::packed:
            storage_bits = 0x04;
            break;
        case Storage::unsupported:
            storage_bits = 0x06;
            break;
    }
    return static_cast<uint8_t>(storage_bits | (looping ? 0x01 : 0x00));
}

uint32_t SampleDesc::stored_size_field() const {
    if (stored_size) return *stored_size;
    uint32_t count = static_cast<uint32_t>(frames.size());
    return storage == Storage::pcm16 ? count * 2 : count;
}

std::vector<int8_t> SampleDesc::frames8() const {
    std::vector<int8_t> out;
    out.reserve(frames.size());
    for (int16_t f : frames) {
        if (f < -128 || f > 127) writer_misuse("8-bit frame outside -128..127");
        out.push_back(static_cast<int8_t>(f));
    }
    return out;
}

Bytes SampleDesc::encoded_block() const {
    if (block) return *block;
    Bytes out;
    if (frames.empty()) return out;  // B = 0: no stored frames
    switch (storage) {
        case Storage::pcm16:
            for (int16_t f : frames) put_u16(out, static_cast<uint16_t>(f));
            return out;
        case Storage::packed:
            return pack_frames(frames8(), tree);
        case Storage::pcm8:
        case Storage::unsupported:
            for (int8_t f : frames8()) put_u8(out, static_cast<uint8_t>(f));
            return out;
    }
    return out;
}

Bytes encode_sample_entry(const SampleDesc& s, bool library_names) {
    Bytes out;
    put_u8(out, s.name_length.value_or(static_cast<uint8_t>(std::min<size_t>(s.name.size(), 255))));
    put_fixed_text(out, s.name, s.name.size());
    put_u32(out, s.stored_size_field());
    put_u32(out, s.file_loop_start);
    put_u32(out, s.file_loop_end);
    put_u16(out, s.rate);
    put_u8(out, s.volume);
    put_u8(out, s.flags.value_or(s.derived_flags()));
    if (library_names) put_fixed_text(out, s.library_name, 8);
    for (uint8_t b : s.reserved) put_u8(out, b);
    return out;
}

Bytes encode_sample_block(const SampleDesc& s) {
    Bytes bytes = s.encoded_block();
    Bytes out;
    put_u32(out, s.block_size.value_or(static_cast<uint32_t>(bytes.size())));
    put_bytes(out, bytes);
    return out;
}

}  // namespace tarnwick::writer
