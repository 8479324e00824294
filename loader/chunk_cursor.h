#pragma once
// A read position inside a bounded byte range of the file image.
//
// Every read checks its bound first and fails (false, position unchanged) when the bytes are
// not there, so no reader can leave the range it was given. Multi-byte values are assembled
// from single bytes, least significant first, because they may stand at any offset.
// A reader that must stay inside a payload or a row stream works on a `window` of the cursor
// and hands its stop position back with `resume_at`: the chunk walk continues where the
// reader stopped, not where a length field says.

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "loader/load_refusal.h"

namespace tarnwick {

class ChunkCursor {
  public:
    ChunkCursor() = default;
    ChunkCursor(const uint8_t* data, size_t size) : data_(data), end_(data ? size : 0) {}

    // Offset of the next byte from the start of the image.
    size_t position() const { return position_; }
    size_t remaining() const { return end_ - position_; }
    bool at_end() const { return position_ >= end_; }

    bool read_u8(uint8_t& out) {
        if (remaining() < 1) return false;
        out = data_[position_++];
        return true;
    }
    bool read_u16(uint16_t& out) {
        if (remaining() < 2) return false;
        const uint8_t* p = data_ + position_;
        out = static_cast<uint16_t>(p[0] | (p[1] << 8));
        position_ += 2;
        return true;
    }
    bool read_u32(uint32_t& out) {
        if (remaining() < 4) return false;
        const uint8_t* p = data_ + position_;
        out = static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
              (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
        position_ += 4;
        return true;
    }
    // Copies the next `count` bytes.
    bool read_bytes(void* out, size_t count) {
        if (remaining() < count) return false;
        if (count != 0) std::memcpy(out, data_ + position_, count);
        position_ += count;
        return true;
    }
    // The next `count` bytes in place, or null when they are not all there. Does not move.
    const uint8_t* peek(size_t count) const {
        return remaining() >= count ? data_ + position_ : nullptr;
    }
    // True when the next four bytes are `id` (a chunk identifier). Does not move.
    bool next_is(const char (&id)[5]) const {
        const uint8_t* p = peek(4);
        return p != nullptr && std::memcmp(p, id, 4) == 0;
    }
    bool skip(size_t count) {
        if (remaining() < count) return false;
        position_ += count;
        return true;
    }

    // A cursor over the next `count` bytes only (fewer when fewer remain), starting here.
    ChunkCursor window(size_t count) const {
        ChunkCursor inner = *this;
        inner.end_ = position_ + (count < remaining() ? count : remaining());
        return inner;
    }
    // Continues from where a reader working on a window of this cursor stopped.
    void resume_at(const ChunkCursor& inner) {
        if (inner.position_ > position_ && inner.position_ <= end_) position_ = inner.position_;
    }

  private:
    const uint8_t* data_ = nullptr;
    size_t position_ = 0;
    size_t end_ = 0;
};

// Reads a chunk's u32 payload length and checks that the whole payload follows it. On success
// the cursor stands at the first payload byte.
inline LoadRefusal read_payload_length(ChunkCursor& cursor, uint32_t& length) {
    if (!cursor.read_u32(length)) return LoadRefusal::chunk_length_truncated;
    if (cursor.remaining() < length) return LoadRefusal::chunk_payload_overrun;
    return LoadRefusal::none;
}

}  // namespace tarnwick
