#include "cli/png_image.h"

#include <array>
#include <cstdio>

namespace qarvel_cli {
namespace {

uint32_t crc32(const uint8_t* bytes, size_t count, uint32_t crc = 0) {
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    crc = ~crc;
    for (size_t i = 0; i < count; ++i) crc = table[(crc ^ bytes[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

void put_u32_be(std::vector<uint8_t>& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

void put_chunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data) {
    put_u32_be(out, static_cast<uint32_t>(data.size()));
    const size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    put_u32_be(out, crc32(out.data() + start, out.size() - start));
}

}  // namespace

std::vector<uint8_t> encode_png(const PngImage& image) {
    std::vector<uint8_t> raw;  // each row: filter type 0, then its pixels
    raw.reserve(static_cast<size_t>(image.width * 3 + 1) * image.height);
    for (uint32_t y = 0; y < image.height; ++y) {
        raw.push_back(0);
        const uint8_t* row = image.rgb.data() + static_cast<size_t>(y) * image.width * 3;
        raw.insert(raw.end(), row, row + static_cast<size_t>(image.width) * 3);
    }

    std::vector<uint8_t> zlib = {0x78, 0x01};
    constexpr size_t kMostStored = 65535;
    size_t at = 0;
    do {
        const size_t n = raw.size() - at < kMostStored ? raw.size() - at : kMostStored;
        const bool last = at + n == raw.size();
        zlib.push_back(last ? 1 : 0);
        zlib.push_back(static_cast<uint8_t>(n & 0xFF));
        zlib.push_back(static_cast<uint8_t>(n >> 8));
        zlib.push_back(static_cast<uint8_t>(~n & 0xFF));
        zlib.push_back(static_cast<uint8_t>((~n >> 8) & 0xFF));
        zlib.insert(zlib.end(), raw.begin() + static_cast<ptrdiff_t>(at),
                    raw.begin() + static_cast<ptrdiff_t>(at + n));
        at += n;
    } while (at < raw.size());
    uint32_t a = 1, b = 0;  // Adler-32 of the uncompressed data
    for (uint8_t byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    put_u32_be(zlib, (b << 16) | a);

    std::vector<uint8_t> header;
    put_u32_be(header, image.width);
    put_u32_be(header, image.height);
    header.insert(header.end(), {8, 2, 0, 0, 0});  // 8-bit RGB, no interlace

    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    put_chunk(png, "IHDR", header);
    put_chunk(png, "IDAT", zlib);
    put_chunk(png, "IEND", {});
    return png;
}

bool write_png(const std::string& path, const PngImage& image, std::string* error) {
    const std::vector<uint8_t> png = encode_png(image);
    std::FILE* f = std::fopen(path.c_str(), "wb");
    bool ok = f != nullptr && std::fwrite(png.data(), 1, png.size(), f) == png.size();
    if (f != nullptr) ok = std::fclose(f) == 0 && ok;
    if (!ok) *error = "cannot write " + path;
    return ok;
}

}  // namespace qarvel_cli
