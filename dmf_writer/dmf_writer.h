#pragma once
// Builds DMF file images for tests, benchmarks, fuzz seeds and the demo song. Test support
// only: never part of the plug-in. Misuse (a cell outside its pattern, a frame outside its
// storage's range) aborts the program with a message; nothing here throws.
//
// A well-formed song:
//
//     using namespace tarnwick::writer;
//     Song song;                                  // header "DDMF", version 8
//     song.header.title = "Example";
//     song.message = "Hello";
//     song.orders = {0, 0};
//     song.track_count = 1;
//     PatternDesc p(/*tracks=*/1, /*rows=*/64);
//     p.set(0, 0, note_cell(37, 1)).set_global(0, 2, 125);
//     song.patterns.push_back(p);
//     song.samples.push_back(SampleDesc::pcm8("square", frames).loop(0, 63));
//     Bytes image = song.build();
//
// Anything else (chunks in any order, repeated or unknown chunks, no "ENDE", bytes after it,
// wrong lengths or counts) goes through FileBuilder, chunk by chunk:
//
//     Bytes image = FileBuilder(song.header)
//                       .chunk("JUNK", {1, 2, 3})
//                       .patterns(song.pattern_chunk())
//                       .orders(song.order_chunk())
//                       .samples(song.samples)
//                       .end()
//                       .raw({'x'})
//                       .build();
//
// and the edits of image_edits.h (truncation, byte patches, finding a chunk) change a
// finished image. Every field the encoders derive (lengths, counts, flags, sizes) has an
// override, so a test can write exactly the malformation it needs.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "dmf_writer/byte_sink.h"
#include "dmf_writer/image_edits.h"
#include "dmf_writer/packed_sample_encoder.h"
#include "dmf_writer/pattern_encoder.h"
#include "dmf_writer/sample_encoder.h"

namespace tarnwick::writer {

inline constexpr size_t kFileHeaderSize = 66;

// The 66-byte header. Text fields are raw and fixed-width: exactly their width is written,
// cut or padded with NUL, so a test can store a NUL inside a field or fill it completely.
struct Header {
    std::string magic = "DDMF";             // 4 bytes
    uint8_t version = 8;                    // 8 adds library names to the sample entries
    std::string tracker_name = "tarnwick";  // 8 bytes
    std::string title = "untitled";         // 30 bytes
    std::string composer;                   // 20 bytes
    uint8_t day = 1;
    uint8_t month = 1;
    uint8_t year = 124;  // years since 1900
};
Bytes encode_header(const Header& header);

// How a chunk is framed after its identifier: the length field counts the payload and the
// slack unless `length` overrides it.
struct Framing {
    std::optional<uint32_t> length;
    Bytes slack;  // appended after the payload
};
// Identifier (4 bytes, cut or NUL padded), length field, payload, slack.
Bytes encode_chunk(std::string_view id, const Bytes& payload, const Framing& framing = {});

struct MessageChunk {  // "CMSG"
    std::string text;
    uint8_t lead = 0;  // the payload's first byte, which the loader skips
    Framing framing;
};

struct OrderChunk {  // "SEQU"
    uint16_t loop_start = 0;
    uint16_t loop_end = 0;
    std::vector<uint16_t> orders;
    Framing framing;
};

struct PatternChunk {  // "PATT"
    uint8_t song_track_count = 0;
    std::vector<PatternDesc> patterns;
    std::optional<uint16_t> pattern_count;  // written instead of patterns.size()
    Framing framing;
};

struct SampleInfoChunk {  // "SMPI"
    std::vector<SampleDesc> samples;
    std::optional<uint8_t> sample_count;  // written instead of samples.size()
    bool library_names = true;            // entries carry library names (version 8)
    Framing framing;
};

struct SampleDataChunk {              // "SMPD"
    std::vector<SampleDesc> samples;  // one block each
    std::vector<Bytes> extra_blocks;  // raw blocks (byte count included) after the samples'
    Framing framing;
};

Bytes encode_payload(const MessageChunk& chunk);
Bytes encode_payload(const OrderChunk& chunk);
Bytes encode_payload(const PatternChunk& chunk);
Bytes encode_payload(const SampleInfoChunk& chunk);
Bytes encode_payload(const SampleDataChunk& chunk);

// Appends the header and then chunks in the order they are given.
class FileBuilder {
  public:
    explicit FileBuilder(const Header& header = {});

    FileBuilder& message(const MessageChunk& chunk);
    FileBuilder& message(std::string_view text);
    FileBuilder& orders(const OrderChunk& chunk);
    FileBuilder& patterns(const PatternChunk& chunk);
    // Library names follow the header's version unless the chunk is given explicitly.
    FileBuilder& sample_info(const SampleInfoChunk& chunk);
    FileBuilder& sample_info(const std::vector<SampleDesc>& samples);
    FileBuilder& sample_data(const SampleDataChunk& chunk);
    FileBuilder& sample_data(const std::vector<SampleDesc>& samples);
    FileBuilder& samples(const std::vector<SampleDesc>& samples);  // "SMPI" then "SMPD"
    // Any chunk, known or not, with a raw payload.
    FileBuilder& chunk(std::string_view id, const Bytes& payload, const Framing& framing = {});
    FileBuilder& end();                    // "ENDE"
    FileBuilder& raw(const Bytes& bytes);  // bytes as they are, without framing

    const Bytes& bytes() const { return image_; }
    Bytes build() const { return image_; }

  private:
    Bytes image_;
    bool library_names_;
};

// A song in the usual chunk order: header, "CMSG" (when there is a message), "SEQU", "PATT",
// "SMPI", "SMPD", "ENDE", then `after_end`.
struct Song {
    Header header;
    std::optional<std::string> message;
    uint16_t loop_start = 0;  // order index
    uint16_t loop_end = 0;    // order index
    std::vector<uint16_t> orders;
    uint8_t track_count = 0;  // song-wide track count
    std::vector<PatternDesc> patterns;
    std::vector<SampleDesc> samples;
    bool write_end = true;
    Bytes after_end;

    MessageChunk message_chunk() const;
    OrderChunk order_chunk() const;
    PatternChunk pattern_chunk() const;
    SampleInfoChunk sample_info_chunk() const;
    SampleDataChunk sample_data_chunk() const;

    Bytes build() const;
};

// Writes an image to a file (fuzz seeds, the demo song); false when it cannot.
bool write_image_file(const Bytes& image, const char* path);

// The smallest song the loader accepts that also makes a sound: one order, one pattern of one
// track and 4 rows whose first row plays note 37 with sample 1, one looping 8-bit sample of
// 32 frames (a square wave).
Song minimal_song();

}  // namespace tarnwick::writer
