#include "shell/text_builder.h"

#include <cstdlib>
#include <cstring>
#include <utility>

#include "shell/bounded_text.h"
#include "shell/number_text.h"
#include "shell/utf8.h"

namespace tarnwick {

namespace {
// Headroom rules of reserve.
constexpr uint32_t kGrowHeadroom = 16;
constexpr uint32_t kMaxSpare = 32;
}  // namespace

TextBuilder::TextBuilder(ReserveBytes reserve_bytes) {
    if (reserve_bytes.bytes == UINT32_MAX || !reserve(reserve_bytes.bytes + 1)) refuse();
}

TextBuilder::TextBuilder(Thousandths thousandths) {
    append_real(static_cast<double>(thousandths.value) * 0.001, 3);
}

TextBuilder::TextBuilder(const char* text) : buffer_(Growth::exact) {
    assign(text);
}

TextBuilder::TextBuilder(const TextBuilder& other) : buffer_(Growth::exact) {
    assign(other.text(), other.length_);
}

TextBuilder::TextBuilder(TextBuilder&& other) noexcept
    : buffer_(std::move(other.buffer_)),
      length_(std::exchange(other.length_, 0)),
      out_of_memory_(other.out_of_memory_) {}

TextBuilder& TextBuilder::operator=(const TextBuilder& other) {
    assign(other.text(), other.length_);
    return *this;
}

TextBuilder& TextBuilder::operator=(TextBuilder&& other) noexcept {
    if (this != &other) {
        buffer_ = std::move(other.buffer_);
        std::swap(length_, other.length_);
        std::swap(out_of_memory_, other.out_of_memory_);
    }
    return *this;
}

bool TextBuilder::refuse() {
    out_of_memory_ = true;
    return false;
}

bool TextBuilder::holds(const void* p) const {
    const uint8_t* data = buffer_.data();
    if (p == nullptr || data == nullptr) return false;
    const uintptr_t at = reinterpret_cast<uintptr_t>(p);
    const uintptr_t begin = reinterpret_cast<uintptr_t>(data);
    return at >= begin && at <= begin + length_;
}

const char* TextBuilder::text() const noexcept {
    return length_ > 0 ? reinterpret_cast<const char*>(buffer_.data()) : "";
}

bool TextBuilder::reserve(uint32_t n) {
    const uint32_t requested = buffer_.requested();
    if (requested < n) {
        if (n > UINT32_MAX - kGrowHeadroom) return refuse();
        if (buffer_.resize(n + kGrowHeadroom) == nullptr) return refuse();
    } else if (requested - n > kMaxSpare) {
        // Giving memory back is optional: when the smaller block cannot be had, keep the old.
        buffer_.resize(n);
    }
    return true;
}

bool TextBuilder::append(const char* text, uint32_t limit) noexcept {
    const uint32_t n = static_cast<uint32_t>(bounded_length(text, limit));
    if (n > UINT32_MAX - 1 - length_) return refuse();
    // The text may be part of this one; find it again after the buffer moves.
    const bool own = holds(text);
    const size_t offset =
        own ? static_cast<size_t>(reinterpret_cast<const uint8_t*>(text) - buffer_.data()) : 0;
    if (!reserve(length_ + n + 1)) return false;
    uint8_t* data = buffer_.data();
    if (n > 0)
        std::memmove(data + length_, own ? data + offset : reinterpret_cast<const uint8_t*>(text),
                     n);
    length_ += n;
    data[length_] = '\0';
    return true;
}

bool TextBuilder::assign(const char* text, uint32_t limit) noexcept {
    const uint32_t n = static_cast<uint32_t>(bounded_length(text, limit));
    if (holds(text)) {
        // Part of this text: slide it to the front, then let reserve give memory back.
        uint8_t* data = buffer_.data();
        std::memmove(data, text, n);
        length_ = n;
        data[n] = '\0';
        reserve(n + 1);
        return true;
    }
    if (n == UINT32_MAX) return refuse();
    if (!reserve(n + 1)) return false;
    uint8_t* data = buffer_.data();
    if (n > 0) std::memcpy(data, text, n);
    length_ = n;
    data[n] = '\0';
    return true;
}

void TextBuilder::truncate(uint32_t new_length) noexcept {
    if (new_length >= length_) return;
    length_ = new_length;
    buffer_.data()[new_length] = '\0';
    reserve(new_length + 1);
}

bool TextBuilder::append_code_point(uint32_t code_point) {
    uint8_t bytes[kMaxUtf8Bytes];
    const uint32_t n = encode_utf8(code_point, bytes);
    if (n == 0) return true;
    return append(reinterpret_cast<const char*>(bytes), n);
}

bool TextBuilder::append_repeated(uint32_t code_point, uint32_t count) {
    const uint64_t bytes = static_cast<uint64_t>(encode_utf8(code_point, nullptr)) * count;
    if (bytes == 0) return true;
    if (bytes > UINT32_MAX - 1 - length_) return refuse();
    if (!reserve(length_ + static_cast<uint32_t>(bytes) + 1)) return false;
    for (uint32_t i = 0; i < count; ++i) {
        if (!append_code_point(code_point)) return false;
    }
    return true;
}

bool TextBuilder::append_integer(int64_t value, uint32_t base) {
    char scratch[kNumberScratchBytes];
    const uint32_t n = integer_to_text(value, base, scratch);
    return n > 0 && append(scratch, n);
}

bool TextBuilder::append_real(double value, int32_t digits) {
    char scratch[kNumberScratchBytes];
    const uint32_t n = real_to_text(value, digits, scratch);
    return n > 0 && append(scratch, n);
}

uint32_t TextBuilder::find(char byte, int64_t start) const {
    if (start < 0) start = 0;
    if (start >= length_) return kNotFound;
    const char* data = text();
    for (uint32_t i = static_cast<uint32_t>(start); i < length_; ++i) {
        if (data[i] == byte) return i;
    }
    return kNotFound;
}

bool TextBuilder::insert(uint32_t index, const void* bytes, uint32_t count) {
    if (count == 0) return true;
    if (bytes == nullptr) return false;
    if (count > UINT32_MAX - 1 - length_) return refuse();
    if (index > length_) index = length_;

    // Bytes from this very text would move under the copy: take them aside first.
    const uintptr_t from = reinterpret_cast<uintptr_t>(bytes);
    const uintptr_t own_begin = reinterpret_cast<uintptr_t>(buffer_.data());
    const bool own = buffer_.data() != nullptr && from < own_begin + buffer_.allocated() &&
                     from + count > own_begin;
    void* aside = nullptr;
    if (own) {
        aside = std::malloc(count);
        if (aside == nullptr) return refuse();
        std::memcpy(aside, bytes, count);
        bytes = aside;
    }

    const bool reserved = reserve(length_ + count + 1);
    if (reserved) {
        uint8_t* data = buffer_.data();
        data[length_] = '\0';
        std::memmove(data + index + count, data + index, length_ - index + 1);
        std::memcpy(data + index, bytes, count);
        length_ += count;
    }
    std::free(aside);
    return reserved;
}

bool TextBuilder::insert(uint32_t index, const char* text) {
    if (text == nullptr) return true;
    const size_t n = std::strlen(text);
    if (n > UINT32_MAX) return refuse();
    return insert(index, text, static_cast<uint32_t>(n));
}

}  // namespace tarnwick
