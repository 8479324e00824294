#pragma once
// DMF images written byte by byte, for the loader tests that need what the DMF writer
// (dmf_writer.h) will not make: wrong lengths, odd versions, truncated and corrupt chunks.
// The little-endian appends are the writer's own (byte_sink.h).

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <ostream>
#include <string>
#include <vector>

#include "dmf_writer/byte_sink.h"
#include "loader/load_refusal.h"

namespace tarnwick {

// Lets test failures name the refusal instead of printing a byte.
inline void PrintTo(LoadRefusal reason, std::ostream* out) {
    *out << to_string(reason);
}

namespace test {

class Bytes {
  public:
    Bytes() = default;
    Bytes(std::initializer_list<uint8_t> values) : bytes_(values) {}

    // The low 8, 16 or 32 bits of `v`, little-endian.
    Bytes& u8(uint32_t v) {
        writer::put_u8(bytes_, static_cast<uint8_t>(v));
        return *this;
    }
    Bytes& u16(uint32_t v) {
        writer::put_u16(bytes_, static_cast<uint16_t>(v));
        return *this;
    }
    Bytes& u32(uint32_t v) {
        writer::put_u32(bytes_, v);
        return *this;
    }
    Bytes& raw(std::initializer_list<uint8_t> values) {
        bytes_.insert(bytes_.end(), values);
        return *this;
    }
    Bytes& append(const Bytes& other) {
        writer::put_bytes(bytes_, other.bytes_);
        return *this;
    }
    // `text` padded with NULs (or cut) to exactly `width` bytes.
    Bytes& text(const std::string& text, size_t width) {
        writer::put_fixed_text(bytes_, text, width);
        return *this;
    }
    Bytes& fill(size_t count, uint8_t value) {
        bytes_.insert(bytes_.end(), count, value);
        return *this;
    }
    Bytes& id(const char (&four)[5]) { return text(four, 4); }
    // The payload behind its u32 length.
    Bytes& sized(const Bytes& payload) {
        return u32(static_cast<uint32_t>(payload.size())).append(payload);
    }
    // A chunk: identifier, u32 payload length, payload.
    Bytes& chunk(const char (&four)[5], const Bytes& payload) { return id(four).sized(payload); }

    const uint8_t* data() const { return bytes_.data(); }
    size_t size() const { return bytes_.size(); }
    std::vector<uint8_t>& vector() { return bytes_; }
    uint8_t& operator[](size_t i) { return bytes_[i]; }

  private:
    writer::Bytes bytes_;
};

// A chunk as its reader sees it after the identifier: u32 payload length, payload.
inline Bytes with_length(const Bytes& payload) {
    Bytes b;
    return b.sized(payload);
}

// The 66-byte header.
inline Bytes header(uint8_t version = 7, const std::string& title = "Song",
                    const std::string& composer = "Composer",
                    const std::string& tracker = "Tracker", uint8_t day = 7, uint8_t month = 3,
                    uint8_t year = 95) {
    Bytes b;
    b.id("DDMF").u8(version).text(tracker, 8).text(title, 30).text(composer, 20);
    return b.u8(day).u8(month).u8(year);
}

// "SEQU" payload.
inline Bytes orders_payload(std::initializer_list<uint16_t> orders, uint16_t loop_start = 0,
                            uint16_t loop_end = 0) {
    Bytes b;
    b.u16(loop_start).u16(loop_end);
    for (uint16_t o : orders) b.u16(o);
    return b;
}

// One pattern: header and row stream; `packed_size` defaults to the stream's length.
inline Bytes pattern_bytes(uint8_t tracks, uint16_t rows, const Bytes& stream, uint8_t beat = 0x40,
                           int64_t packed_size = -1) {
    Bytes b;
    b.u8(tracks).u8(beat).u16(rows);
    b.u32(packed_size < 0 ? static_cast<uint32_t>(stream.size())
                          : static_cast<uint32_t>(packed_size));
    return b.append(stream);
}

// "PATT" payload: pattern count, song track count, the patterns.
inline Bytes patterns_payload(uint16_t count, uint8_t song_tracks, const Bytes& patterns) {
    Bytes b;
    b.u16(count).u8(song_tracks);
    return b.append(patterns);
}

// A one-pattern "PATT" payload: one row, one track, empty entries.
inline Bytes single_pattern_payload() {
    return patterns_payload(1, 1, pattern_bytes(1, 1, Bytes{0x00, 0x00}));
}

struct SampleEntry {
    std::string name = "sample";
    uint32_t stored_size = 4;
    uint32_t loop_start = 0;
    uint32_t loop_end = 0;
    uint16_t rate = 8363;
    uint8_t volume = 64;
    uint8_t flags = 0;
    std::string library = "";
};

// One sample entry; the library name is written only for version 8.
inline Bytes sample_entry(const SampleEntry& e, uint8_t version = 7) {
    Bytes b;
    b.u8(static_cast<uint32_t>(e.name.size())).text(e.name, e.name.size());
    b.u32(e.stored_size).u32(e.loop_start).u32(e.loop_end).u16(e.rate).u8(e.volume).u8(e.flags);
    if (version == 8) b.text(e.library, 8);
    return b.fill(6, 0xEE);
}

// "SMPI" payload.
inline Bytes sample_info_payload(std::initializer_list<SampleEntry> entries, uint8_t version = 7) {
    Bytes b;
    b.u8(static_cast<uint32_t>(entries.size()));
    for (const SampleEntry& e : entries) b.append(sample_entry(e, version));
    return b;
}

// "SMPD" payload from the given blocks.
inline Bytes sample_data_payload(std::initializer_list<Bytes> blocks) {
    Bytes b;
    for (const Bytes& block : blocks) b.u32(static_cast<uint32_t>(block.size())).append(block);
    return b;
}

// A complete, playable song: header, one order, one pattern, one 4-frame 8-bit sample.
inline Bytes minimal_song() {
    Bytes b = header();
    b.chunk("SEQU", orders_payload({0}));
    b.chunk("PATT", single_pattern_payload());
    b.chunk("SMPI", sample_info_payload({SampleEntry{}}));
    b.chunk("SMPD", sample_data_payload({Bytes{0x10, 0x20, 0x30, 0x40}}));
    return b.id("ENDE");
}

// Bits written least significant bit first, as the packed-sample decoder reads them.
class BitWriter {
  public:
    BitWriter& bits(uint32_t value, uint32_t width) {
        for (uint32_t i = 0; i < width; ++i) bit((value >> i) & 1u);
        return *this;
    }
    BitWriter& bit(uint32_t b) {
        if (count_ % 8 == 0) bytes_.u8(0);
        if (b) bytes_[count_ / 8] |= static_cast<uint8_t>(1u << (count_ % 8));
        ++count_;
        return *this;
    }
    // A tree node: 7-bit value, left flag, right flag.
    BitWriter& node(uint32_t value, bool left, bool right) {
        return bits(value, 7).bit(left ? 1 : 0).bit(right ? 1 : 0);
    }
    size_t bit_count() const { return count_; }
    const Bytes& bytes() const { return bytes_; }

  private:
    Bytes bytes_;
    size_t count_ = 0;
};

}  // namespace test
}  // namespace tarnwick
