#include "loader/sample_reader.h"

#include "loader/module.h"

namespace tarnwick {

namespace {

// Bytes of an entry after its name: size, loop start, loop end, rate, volume, flags, six
// unused bytes; version 8 adds the library name.
constexpr uint32_t kEntryTailSize = 22;

constexpr uint8_t kFlagLoops = 0x01;
constexpr uint8_t kFlagStorageMask = 0x06;
constexpr uint8_t kStoragePcm16 = 0x02;
constexpr uint8_t kStoragePacked = 0x04;
constexpr uint8_t kStorageUnsupported = 0x06;
constexpr uint8_t kFlagRefused1 = 0x08;
constexpr uint8_t kFlagRefused2 = 0x80;
constexpr uint32_t kSkippedEntryBytes = 6;

// Loop points are stored one-based; 0 stays 0.
uint32_t loop_point(uint32_t stored) {
    return stored == 0 ? 0 : stored - 1;
}

LoadRefusal read_sample_entry(Sample& sample, ChunkCursor& payload, uint32_t version) {
    uint8_t name_length = 0;
    if (!payload.read_u8(name_length)) return LoadRefusal::sample_entry_truncated;
    if (name_length > kMaxSampleNameLength) return LoadRefusal::sample_name_too_long;
    const bool has_library = version == kLibraryNameVersion;
    const uint32_t tail = kEntryTailSize + (has_library ? kLibraryNameLength : 0);
    if (payload.remaining() < name_length + tail) return LoadRefusal::sample_entry_truncated;

    char name[kMaxSampleNameLength + 1] = {};
    payload.read_bytes(name, name_length);
    sample.set_name(name);

    uint32_t stored_size = 0;
    uint32_t loop_start = 0;
    uint32_t loop_end = 0;
    uint16_t rate = 0;
    uint8_t volume = 0;
    uint8_t flags = 0;
    payload.read_u32(stored_size);
    payload.read_u32(loop_start);
    payload.read_u32(loop_end);
    payload.read_u16(rate);
    payload.read_u8(volume);
    payload.read_u8(flags);

    sample.loop_start = loop_point(loop_start);
    sample.loop_end = loop_point(loop_end);
    sample.base_rate = static_cast<float>(rate);
    sample.volume = static_cast<float>(volume);
    if (!(flags & kFlagLoops)) {
        sample.loop_start = 0;
        sample.loop_end = 0;
    }
    if (flags & kFlagRefused1) return LoadRefusal::sample_flags_refused;

    switch (flags & kFlagStorageMask) {
        case kStoragePcm16:
            // The stored size and loop points count bytes: two per frame.
            sample.format = SampleFormat::pcm16;
            sample.set_length(stored_size / 2);
            sample.loop_start /= 2;
            sample.loop_end /= 2;
            break;
        case kStoragePacked:
            sample.format = SampleFormat::packed;
            sample.set_length(stored_size);
            break;
        case kStorageUnsupported:
            sample.format = SampleFormat::unsupported;
            sample.set_length(stored_size);
            break;
        default:
            sample.format = SampleFormat::pcm8;
            sample.set_length(stored_size);
            break;
    }
    // A loop that does not fit the sample is cancelled.
    if (sample.loop_end >= sample.length) {
        sample.loop_start = 0;
        sample.loop_end = 0;
    }
    if (sample.loop_start >= sample.loop_end) {
        sample.loop_start = 0;
        sample.loop_end = 0;
    }
    if (flags & kFlagRefused2) return LoadRefusal::sample_flags_refused;

    if (has_library) {
        char library[kLibraryNameLength + 1] = {};
        payload.read_bytes(library, kLibraryNameLength);
        sample.set_library_name(library);
    }
    payload.skip(kSkippedEntryBytes);

    // Data from an earlier "SMPD" stays, but never reads past the new length.
    if (sample.stored_elements > sample.data_length) sample.stored_elements = sample.data_length;
    return LoadRefusal::none;
}

}  // namespace

LoadRefusal read_sample_info(Module& module, ChunkCursor& cursor) {
    uint32_t length = 0;
    if (LoadRefusal r = read_payload_length(cursor, length); r != LoadRefusal::none) return r;
    if (length == 0) return LoadRefusal::sample_info_empty;
    ChunkCursor payload = cursor.window(length);

    uint8_t count = 0;
    payload.read_u8(count);
    if (!module.samples.resize(count)) return LoadRefusal::out_of_memory;
    for (uint32_t i = 0; i < count; ++i) {
        Sample* sample = module.samples.at(i);
        if (sample == nullptr) return LoadRefusal::out_of_memory;
        if (LoadRefusal r = read_sample_entry(*sample, payload, module.version);
            r != LoadRefusal::none) {
            return r;
        }
    }
    cursor.resume_at(payload);
    return LoadRefusal::none;
}

LoadRefusal read_sample_data(Module& module, ChunkCursor& cursor) {
    uint32_t length = 0;
    if (LoadRefusal r = read_payload_length(cursor, length); r != LoadRefusal::none) return r;
    ChunkCursor payload = cursor.window(length);

    for (uint32_t i = 0; i < module.samples.count(); ++i) {
        Sample* record = module.samples.at(i);
        if (record == nullptr) return LoadRefusal::out_of_memory;
        Sample& sample = *record;
        uint32_t block_size = 0;
        if (!payload.read_u32(block_size)) return LoadRefusal::sample_block_truncated;
        const uint8_t* block = payload.peek(block_size);
        if (block == nullptr) return LoadRefusal::sample_block_truncated;
        if (block_size == 0) continue;  // no stored frames: the record keeps what it had
        if (!sample.set_data(block, sample.length, block_size, sample.format)) {
            const bool refused = sample.length == 0 || sample.length > kMaxSampleFrames;
            return refused ? LoadRefusal::sample_data_refused : LoadRefusal::out_of_memory;
        }
        payload.skip(block_size);
    }
    cursor.resume_at(payload);
    return LoadRefusal::none;
}

}  // namespace tarnwick
