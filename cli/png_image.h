#pragma once
// A picture written as a PNG file without an image library: 8-bit RGB, rows unfiltered, the
// zlib stream made of stored (uncompressed) blocks. Larger than a compressed PNG, and read by
// every PNG reader.

#include <cstdint>
#include <string>
#include <vector>

namespace qarvel_cli {

struct PngImage {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint8_t> rgb;  // width x height x 3, top row first
};

// The PNG file's bytes.
std::vector<uint8_t> encode_png(const PngImage& image);
// Writes the file; false with the reason.
bool write_png(const std::string& path, const PngImage& image, std::string* error);

}  // namespace qarvel_cli
