// The printf-like formatter of TextBuilder.

#include <cstring>

#include "shell/number_text.h"
#include "shell/text_builder.h"

namespace tarnwick {

bool TextBuilder::format_text_list(const char* format, const FormatArg* args, size_t count) {
    // An argument that points into this text would change under the formatting: build the
    // result aside and take it over.
    for (size_t i = 0; i < count; ++i) {
        if (args[i].kind() == FormatArg::Kind::text && holds(args[i].text())) {
            TextBuilder aside;
            const bool done = aside.format_text_list(format, args, count);
            const bool copied = assign(aside.text(), aside.length());
            if (aside.out_of_memory()) refuse();
            return done && copied;
        }
    }

    truncate(0);
    if (format == nullptr) return true;
    bool ok = true;
    size_t next_arg = 0;
    const char* p = format;
    while (*p != '\0') {
        const signed char byte = static_cast<signed char>(*p);
        if (byte != '%') {
            // Formats are ASCII: a byte read as negative is no code point and adds nothing.
            if (byte > 0) ok &= append_code_point(static_cast<uint32_t>(byte));
            ++p;
            continue;
        }
        if (p[1] == '%') {
            ok &= append("%", 1);
            p += 2;
            continue;
        }
        const char* q = p + 1;
        const bool plus = *q == '+';
        if (plus) ++q;
        const char pad = *q == '0' ? '0' : ' ';
        uint32_t width = 0;
        for (; *q >= '0' && *q <= '9'; ++q) {
            width = width * 10 + static_cast<uint32_t>(*q - '0');
            if (width > kMaxFormatWidth) width = kMaxFormatWidth;
        }
        if (std::strchr("sSdDiIuUxXcC", *q) == nullptr || *q == '\0') {
            // Not a conversion: drop "%", flag and width, and read this byte again.
            p = q;
            continue;
        }
        const FormatArg missing;
        const FormatArg& arg = next_arg < count ? args[next_arg] : missing;
        ++next_arg;
        ok &= format_one(*q, plus, pad, width, arg);
        p = q + 1;
    }
    return ok;
}

bool TextBuilder::format_one(char conversion, bool plus, char pad, uint32_t width,
                             const FormatArg& arg) {
    const bool wants_text = conversion == 's' || conversion == 'S';
    const FormatArg::Kind expected = wants_text ? FormatArg::Kind::text : FormatArg::Kind::word;
    if (arg.kind() != expected) return false;

    if (conversion == 'c' || conversion == 'C') {
        // One byte read as signed; no width, no sign.
        const int8_t byte = static_cast<int8_t>(arg.word() & 0xFFu);
        return byte <= 0 || append_code_point(static_cast<uint32_t>(byte));
    }

    char scratch[kNumberScratchBytes];
    const char* converted = scratch;
    size_t converted_length = 0;
    bool ok = true;
    switch (conversion) {
        case 's':
        case 'S':
            converted = arg.text() != nullptr ? arg.text() : "";
            converted_length = std::strlen(converted);
            break;
        case 'd':
        case 'D':
        case 'i':
        case 'I':
            converted_length = integer_to_text(static_cast<int32_t>(arg.word()), 10, scratch);
            break;
        case 'u':
        case 'U':
            converted_length = unsigned_to_text(arg.word(), 10, scratch);
            break;
        default:  // 'x' or 'X'
            converted_length = unsigned_to_text(arg.word(), 16, scratch);
            if (conversion == 'X') {
                for (size_t i = 0; i < converted_length; ++i) {
                    if (scratch[i] >= 'a' && scratch[i] <= 'f') scratch[i] -= 'a' - 'A';
                }
            }
            break;
    }
    if (!wants_text && plus && static_cast<int32_t>(arg.word()) > 0) ok &= append("+", 1);
    if (converted_length < width) {
        ok &= append_repeated(static_cast<uint8_t>(pad),
                              width - static_cast<uint32_t>(converted_length));
    }
    // Texts longer than 4 GiB do not fit a builder; cut at what the length can say.
    const uint32_t limit = converted_length > UINT32_MAX - 1
                               ? UINT32_MAX - 1
                               : static_cast<uint32_t>(converted_length);
    ok &= append(converted, limit);
    return ok;
}

}  // namespace tarnwick
