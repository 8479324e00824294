// The text utilities on arbitrary bytes. The first byte chooses the utility:
//   0  parse_decimal on the rest (given a NUL): never NaN
//   1  text_from_cp437 on the rest, bounded by its length (no NUL): the UTF-8 decodes back to
//      exactly the code page's code points
//   2  format_text with the rest as the format and arguments of every kind: never reads an
//      argument that is not there, never pads beyond the widest width
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "shell/cp437.h"
#include "shell/parse_decimal.h"
#include "shell/text_builder.h"

namespace {

// Decodes one UTF-8 sequence of 1 to 3 bytes (all that code page 437 needs); -1 if malformed.
int32_t decode_utf8(const uint8_t*& p, const uint8_t* end) {
    const uint8_t lead = *p++;
    if (lead < 0x80) return lead;
    int extra = lead >= 0xE0 ? 2 : (lead >= 0xC0 ? 1 : -1);
    if (extra < 0 || lead >= 0xF0 || end - p < extra) return -1;
    int32_t cp = lead & (extra == 2 ? 0x0F : 0x1F);
    for (int i = 0; i < extra; ++i) {
        if ((*p & 0xC0) != 0x80) return -1;
        cp = (cp << 6) | (*p++ & 0x3F);
    }
    return cp;
}

void check_cp437(const uint8_t* text, size_t size) {
    const tarnwick::TextBuilder utf8 =
        tarnwick::text_from_cp437(reinterpret_cast<const char*>(text), size);
    if (utf8.out_of_memory()) return;
    const uint8_t* p = reinterpret_cast<const uint8_t*>(utf8.text());
    const uint8_t* end = p + utf8.length();
    if (*end != 0) std::abort();
    size_t i = 0;
    for (; i < size && text[i] != 0; ++i) {
        if (p == end) std::abort();
        if (decode_utf8(p, end) != tarnwick::cp437_code_point(text[i])) std::abort();
    }
    if (p != end) std::abort();
}

void check_format(const uint8_t* format, size_t size) {
    std::unique_ptr<char[]> text(new char[size + 1]);
    std::memcpy(text.get(), format, size);
    text[size] = 0;
    const char word_text[] = "w\xC3\xBCrd";
    tarnwick::TextBuilder builder("previous");
    // As many arguments as the format's first byte says (0..7), of mixed kinds.
    const tarnwick::FormatArg all[] = {tarnwick::FormatArg(word_text),
                                       tarnwick::FormatArg(-2147483647 - 1),
                                       tarnwick::FormatArg(0xFFFFFFFFu),
                                       tarnwick::FormatArg(nullptr),
                                       tarnwick::FormatArg(static_cast<char>(0xE9)),
                                       tarnwick::FormatArg(42),
                                       tarnwick::FormatArg(builder),
                                       tarnwick::FormatArg()};
    const size_t count = size ? static_cast<uint8_t>(format[0]) % 8 : 0;
    builder.format_text_list(text.get(), all, count);
    const size_t longest_piece = tarnwick::kMaxFormatWidth + 16;
    if (builder.length() > (size + 1) * longest_piece) std::abort();
    if (builder.text()[builder.length()] != 0) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return -1;
    const uint8_t* rest = data + 1;
    const size_t rest_size = size - 1;
    // Exact heap copies, so that a read past the input is caught.
    std::unique_ptr<uint8_t[]> copy(new uint8_t[rest_size + 1]);
    if (rest_size) std::memcpy(copy.get(), rest, rest_size);
    copy[rest_size] = 0;
    switch (data[0] % 3) {
        case 0:
            if (std::isnan(tarnwick::parse_decimal(reinterpret_cast<const char*>(copy.get())))) {
                std::abort();
            }
            break;
        case 1: {
            std::unique_ptr<uint8_t[]> exact(new uint8_t[rest_size]);
            if (rest_size) std::memcpy(exact.get(), rest, rest_size);
            check_cp437(exact.get(), rest_size);
            break;
        }
        default:
            check_format(copy.get(), rest_size);
            break;
    }
    return 0;
}
