#pragma once
// One argument of TextBuilder::format_text, checked by the compiler: a text, or an integer of
// at most 32 bits held as one 32-bit word that the conversion reads as it says (signed for
// %d, unsigned for %u and %x, a signed byte for %c). Wider integers and reals do not compile;
// narrow them explicitly, so that nothing is cut off unseen.

#include <concepts>
#include <cstddef>
#include <cstdint>

#include "qarvel/plugin_abi.h"

namespace tarnwick {

class FormatArg {
  public:
    enum class Kind : uint8_t { missing, text, word };

    constexpr FormatArg() = default;
    constexpr FormatArg(const char* text) : kind_(Kind::text), text_(text) {}
    constexpr FormatArg(std::nullptr_t) : kind_(Kind::text), text_(nullptr) {}
    FormatArg(const qarvel::HostTextResult& text) : kind_(Kind::text), text_(text.text()) {}

    // Signed values are sign-extended to the word, as a call would pass them.
    template <std::integral T>
    requires(sizeof(T) <= 4) constexpr FormatArg(T value)
        : kind_(Kind::word), word_(static_cast<uint32_t>(value)) {}
    template <std::integral T>
    requires(sizeof(T) > 4) FormatArg(T value)
    = delete;
    template <std::floating_point T>
    FormatArg(T value) = delete;

    constexpr Kind kind() const { return kind_; }
    constexpr const char* text() const { return text_; }  // may be null: the empty text
    constexpr uint32_t word() const { return word_; }

  private:
    Kind kind_ = Kind::missing;
    const char* text_ = nullptr;
    uint32_t word_ = 0;
};

}  // namespace tarnwick
