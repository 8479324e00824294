#include "dmf_writer/dmf_writer.h"

#include <cstdio>

namespace tarnwick::writer {

bool write_image_file(const Bytes& image, const char* path) {
    std::FILE* f = std::fopen(path, "wb");
    if (!f) return false;
    bool ok = std::fwrite(image.data(), 1, image.size(), f) == image.size();
    return std::fclose(f) == 0 && ok;
}

Bytes encode_header(const Header& h) {
    Bytes out;
    put_fixed_text(out, h.magic, 4);
    put_u8(out, h.version);
    put_fixed_text(out, h.tracker_name, 8);
    put_fixed_text(out, h.title, 30);
    put_fixed_text(out, h.composer, 20);
    put_u8(out, h.day);
    put_u8(out, h.month);
    put_u8(out, h.year);
    return out;
}

Bytes encode_chunk(std::string_view id, const Bytes& payload, const Framing& framing) {
    Bytes out;
    put_fixed_text(out, id, 4);
    put_u32(out,
            framing.length.value_or(static_cast<uint32_t>(payload.size() + framing.slack.size())));
    put_bytes(out, payload);
    put_bytes(out, framing.slack);
    return out;
}

Bytes encode_payload(const MessageChunk& c) {
    Bytes out;
    put_u8(out, c.lead);
    put_fixed_text(out, c.text, c.text.size());
    return out;
}

Bytes encode_payload(const OrderChunk& c) {
    Bytes out;
    put_u16(out, c.loop_start);
    put_u16(out, c.loop_end);
    for (uint16_t order : c.orders) put_u16(out, order);
    return out;
}

Bytes encode_payload(const PatternChunk& c) {
    if (!c.pattern_count && c.patterns.size() > 65535)
        writer_misuse("more than 65535 patterns need an explicit pattern_count");
    Bytes out;
    put_u16(out, c.pattern_count.value_or(static_cast<uint16_t>(c.patterns.size())));
    put_u8(out, c.song_track_count);
    for (const PatternDesc& p : c.patterns) put_bytes(out, encode_pattern(p));
    return out;
}

Bytes encode_payload(const SampleInfoChunk& c) {
    if (!c.sample_count && c.samples.size() > 255)
        writer_misuse("more than 255 samples need an explicit sample_count");
    Bytes out;
    put_u8(out, c.sample_count.value_or(static_cast<uint8_t>(c.samples.size())));
    for (const SampleDesc& s : c.samples) put_bytes(out, encode_sample_entry(s, c.library_names));
    return out;
}

Bytes encode_payload(const SampleDataChunk& c) {
    Bytes out;
    for (const SampleDesc& s : c.samples) put_bytes(out, encode_sample_block(s));
    for (const Bytes& block : c.extra_blocks) put_bytes(out, block);
    return out;
}

FileBuilder::FileBuilder(const Header& header)
    : image_(encode_header(header)), library_names_(header.version == 8) {}

FileBuilder& FileBuilder::message(const MessageChunk& c) {
    return chunk("CMSG", encode_payload(c), c.framing);
}

FileBuilder& FileBuilder::message(std::string_view text) {
    return message(MessageChunk{std::string(text), 0, {}});
}

FileBuilder& FileBuilder::orders(const OrderChunk& c) {
    return chunk("SEQU", encode_payload(c), c.framing);
}

FileBuilder& FileBuilder::patterns(const PatternChunk& c) {
    return chunk("PATT", encode_payload(c), c.framing);
}

FileBuilder& FileBuilder::sample_info(const SampleInfoChunk& c) {
    return chunk("SMPI", encode_payload(c), c.framing);
}

FileBuilder& FileBuilder::sample_info(const std::vector<SampleDesc>& samples) {
    SampleInfoChunk c;
    c.samples = samples;
    c.library_names = library_names_;
    return sample_info(c);
}

FileBuilder& FileBuilder::sample_data(const SampleDataChunk& c) {
    return chunk("SMPD", encode_payload(c), c.framing);
}

FileBuilder& FileBuilder::sample_data(const std::vector<SampleDesc>& samples) {
    SampleDataChunk c;
    c.samples = samples;
    return sample_data(c);
}

FileBuilder& FileBuilder::samples(const std::vector<SampleDesc>& samples) {
    return sample_info(samples).sample_data(samples);
}

FileBuilder& FileBuilder::chunk(std::string_view id, const Bytes& payload, const Framing& framing) {
    put_bytes(image_, encode_chunk(id, payload, framing));
    return *this;
}

FileBuilder& FileBuilder::end() {
    put_fixed_text(image_, "ENDE", 4);
    return *this;
}

FileBuilder& FileBuilder::raw(const Bytes& bytes) {
    put_bytes(image_, bytes);
    return *this;
}

MessageChunk Song::message_chunk() const {
    return MessageChunk{message.value_or(""), 0, {}};
}

OrderChunk Song::order_chunk() const {
    return OrderChunk{loop_start, loop_end, orders, {}};
}

PatternChunk Song::pattern_chunk() const {
    PatternChunk c;
    c.song_track_count = track_count;
    c.patterns = patterns;
    return c;
}

SampleInfoChunk Song::sample_info_chunk() const {
    SampleInfoChunk c;
    c.samples = samples;
    c.library_names = header.version == 8;
    return c;
}

SampleDataChunk Song::sample_data_chunk() const {
    SampleDataChunk c;
    c.samples = samples;
    return c;
}

Bytes Song::build() const {
    FileBuilder b(header);
    if (message) b.message(message_chunk());
    b.orders(order_chunk()).patterns(pattern_chunk());
    b.sample_info(sample_info_chunk()).sample_data(sample_data_chunk());
    if (write_end) b.end();
    b.raw(after_end);
    return b.build();
}

Song minimal_song() {
    Song song;
    song.header.title = "minimal";
    song.orders = {0};
    song.track_count = 1;
    PatternDesc p(1, 4);
    p.set(0, 0, note_cell(37, 1));
    song.patterns.push_back(p);
    std::vector<int8_t> square(32);
    for (size_t i = 0; i < square.size(); ++i) square[i] = i < 16 ? 64 : -64;
    song.samples.push_back(SampleDesc::pcm8("square", square).loop(0, 31));
    return song;
}

}  // namespace tarnwick::writer
