#pragma once
// Growable UTF-8 text: the one object with which the plug-in builds every text it hands to the
// host, and the plug-in's side of the host text result (the five slots of HostTextResult).
//
// Limits and choices:
// - Lengths are 32-bit byte counts; the builder counts bytes, not characters.
// - Whenever length() > 0 the bytes are followed by a NUL; an empty builder's text() is a
//   static "".
// - Memory that cannot be had is a result, never a crash or exception: the operation returns
//   false, the text stays as it was, and out_of_memory() reports it from then on.
// - Texts passed in may point into the builder's own text (append, assign, insert and
//   format_text copy them safely).
// - reserve keeps 16 bytes of headroom when it grows and gives memory back only when more than
//   32 bytes would be spare (a doubling buffer never gives any back).

#include <cstddef>
#include <cstdint>

#include "qarvel/plugin_abi.h"
#include "shell/format_arg.h"
#include "shell/grow_buffer.h"

namespace tarnwick {

using qarvel::kNoTextLimit;

// What find returns when the byte is not there: all bits set.
inline constexpr uint32_t kNotFound = 0xFFFFFFFFu;

// The widest field format_text pads to; wider widths are cut to it.
inline constexpr uint32_t kMaxFormatWidth = 1024;

// Constructor tags: a number given in thousandths, and an initial capacity.
struct Thousandths {
    uint32_t value;
};
struct ReserveBytes {
    uint32_t bytes;
};

class TextBuilder final : public qarvel::HostTextResult {
  public:
    // Empty, doubling growth.
    TextBuilder() = default;
    // Empty, doubling growth, room for `reserve.bytes` bytes and the NUL.
    explicit TextBuilder(ReserveBytes reserve);
    // Doubling growth, holding value x 0.001 with 3 significant digits (250 gives "0.25").
    explicit TextBuilder(Thousandths thousandths);
    // A copy of `text` (null: empty), exact growth.
    explicit TextBuilder(const char* text);
    // A copy of other's text, exact growth.
    TextBuilder(const TextBuilder& other);
    TextBuilder(TextBuilder&& other) noexcept;
    TextBuilder& operator=(const TextBuilder& other);
    TextBuilder& operator=(TextBuilder&& other) noexcept;
    ~TextBuilder() = default;

    // Slot 0. The text; a static "" while empty.
    const char* text() const noexcept override;
    // Slot 1. Appends text's bytes up to its NUL, at most `limit`; null appends nothing.
    bool append(const char* text, uint32_t limit = kNoTextLimit) noexcept override;
    // Slot 2. As append, replacing the whole text.
    bool assign(const char* text, uint32_t limit = kNoTextLimit) noexcept override;
    // Slot 3. Cuts to new_length when that is shorter; otherwise nothing.
    void truncate(uint32_t new_length) noexcept override;
    // Slot 4. Bytes before the NUL.
    uint32_t length() const noexcept override { return length_; }

    // Makes the buffer's logical size follow n (see the header note on headroom).
    bool reserve(uint32_t n);
    // Appends the UTF-8 bytes of a code point; 0 and values of 2^31 or more add nothing.
    bool append_code_point(uint32_t code_point);
    bool append_repeated(uint32_t code_point, uint32_t count);
    // Appends `value` in `base` (see number_text.h); the plug-in uses base 10.
    bool append_integer(int64_t value, uint32_t base = 10);
    // Appends `value` with at most `digits` significant digits (see number_text.h).
    bool append_real(double value, int32_t digits);
    // The first index >= start holding `byte`, or kNotFound; start < 0 counts as 0.
    uint32_t find(char byte, int64_t start = 0) const;
    // Inserts `count` bytes at `index` (clamped to the length, so beyond it appends).
    bool insert(uint32_t index, const void* bytes, uint32_t count);
    // Inserts the whole of a NUL-terminated text (null inserts nothing).
    bool insert(uint32_t index, const char* text);

    // Replaces the text with `format` filled in from `args`, printf-like:
    //   %s text, %d/%i signed, %u unsigned, %x/%X hexadecimal, %c one byte as a code point,
    //   %% a percent sign; an optional "+" shows a plus before positive numbers, a leading "0"
    //   pads with zeros instead of spaces, then a decimal width (at most kMaxFormatWidth) pads
    //   texts and numbers on the left; conversion letters may be upper case.
    // Any other conversion byte drops the "%", flag and width and is read again as part of the
    // format; format bytes of 0x80 or more are dropped. Returns false when an argument is
    // missing or of the wrong kind (that conversion gives no text) or memory ran out.
    template <typename... Args>
    bool format_text(const char* format, const Args&... args) {
        const FormatArg list[sizeof...(Args) + 1] = {FormatArg(args)..., FormatArg()};
        return format_text_list(format, list, sizeof...(Args));
    }
    bool format_text_list(const char* format, const FormatArg* args, size_t count);

    // True once any operation on this builder could not get memory.
    bool out_of_memory() const { return out_of_memory_; }
    const GrowBuffer& buffer() const { return buffer_; }

  private:
    bool refuse();
    // Whether `p` points into the current text or its NUL.
    bool holds(const void* p) const;
    bool format_one(char conversion, bool plus, char pad, uint32_t width, const FormatArg& arg);

    GrowBuffer buffer_{Growth::doubling};
    uint32_t length_ = 0;
    bool out_of_memory_ = false;
};

}  // namespace tarnwick
