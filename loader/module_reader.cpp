#include "loader/module_reader.h"

#include <cstring>
#include <new>

#include "loader/module.h"

namespace tarnwick {

namespace {

// Copies a fixed-width header text: the field is cleared, then receives exactly `width`
// bytes, so a NUL inside the field ends the text there and trailing spaces stay.
void copy_header_text(char* field, size_t width, const uint8_t* bytes) {
    std::memset(field, 0, width + 1);
    std::memcpy(field, bytes, width);
}

}  // namespace

LoadRefusal read_header(Module& module, ChunkCursor& cursor) {
    const uint8_t* header = cursor.peek(kHeaderSize);
    if (header == nullptr) return LoadRefusal::too_short;
    if (std::memcmp(header, "DDMF", 4) != 0) return LoadRefusal::bad_magic;
    module.version = header[4];
    copy_header_text(module.tracker_name, sizeof module.tracker_name - 1, header + 5);
    copy_header_text(module.title, sizeof module.title - 1, header + 13);
    copy_header_text(module.composer, sizeof module.composer - 1, header + 43);
    module.created = std::tm{};
    module.created.tm_mday = header[63];
    module.created.tm_mon = header[64];
    module.created.tm_year = header[65];
    cursor.skip(kHeaderSize);
    return LoadRefusal::none;
}

LoadRefusal read_message(Module& module, ChunkCursor& cursor) {
    uint32_t length = 0;
    if (LoadRefusal r = read_payload_length(cursor, length); r != LoadRefusal::none) return r;
    ChunkCursor payload = cursor.window(length);
    payload.skip(1);  // the ignored first byte, when there is one

    // (L / 40) lines of 41 bytes, a last partial line and its NUL always fit.
    const size_t size = static_cast<size_t>(length / kMessageLineWidth) * (kMessageLineWidth + 1) +
                        kMessageLineWidth + 2;
    std::unique_ptr<char[]> text(new (std::nothrow) char[size]);
    if (!text) return LoadRefusal::out_of_memory;

    size_t out = 0;
    const uint8_t* bytes = payload.peek(payload.remaining());
    const size_t text_length = payload.remaining();
    for (size_t k = 1; k <= text_length; ++k) {
        const uint8_t b = bytes[k - 1];
        text[out++] = static_cast<char>(b >= 0x20 ? b : 0x20);
        if (k % kMessageLineWidth == 0) text[out++] = '\n';
    }
    text[out] = '\0';
    payload.skip(text_length);
    module.message = std::move(text);
    cursor.resume_at(payload);
    return LoadRefusal::none;
}

LoadRefusal read_orders(Module& module, ChunkCursor& cursor) {
    uint32_t length = 0;
    if (LoadRefusal r = read_payload_length(cursor, length); r != LoadRefusal::none) return r;
    if (length < 4) return LoadRefusal::orders_too_short;
    const uint32_t count = (length - 4) / 2;
    if (count > kMaxOrders) return LoadRefusal::too_many_orders;

    uint16_t loop_start = 0;
    uint16_t loop_end = 0;
    cursor.read_u16(loop_start);
    cursor.read_u16(loop_end);
    std::unique_ptr<uint16_t[]> orders(new (std::nothrow) uint16_t[count]);
    if (!orders) return LoadRefusal::out_of_memory;
    for (uint32_t i = 0; i < count; ++i) cursor.read_u16(orders[i]);

    module.loop_start = loop_start;
    module.loop_end = loop_end;
    module.orders = std::move(orders);
    module.order_count = count;
    return LoadRefusal::none;
}

}  // namespace tarnwick
