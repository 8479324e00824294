#pragma once
// Stored settings as a host hands them back to the plug-in: records of a u32 name length, the
// name's bytes, a u32 data length and the data. The plug-in's own settings hold 4 bytes, a
// signed 32-bit value; the records of other lengths are for tests of hostile blobs.

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "dmf_writer/byte_sink.h"

namespace tarnwick::test {

// One record holding `data` as it is.
inline writer::Bytes settings_record_with_data(std::string_view name, const writer::Bytes& data) {
    writer::Bytes out;
    writer::put_u32(out, static_cast<uint32_t>(name.size()));
    out.insert(out.end(), name.begin(), name.end());
    writer::put_u32(out, static_cast<uint32_t>(data.size()));
    writer::put_bytes(out, data);
    return out;
}

// The 4 data bytes of a setting's value.
inline writer::Bytes setting_value(int32_t value) {
    writer::Bytes out;
    writer::put_u32(out, static_cast<uint32_t>(value));
    return out;
}

// One record as the plug-in saves a setting.
inline writer::Bytes settings_record(std::string_view name, int32_t value) {
    return settings_record_with_data(name, setting_value(value));
}

// The records of saved settings as name and value, in order (records of other sizes skipped).
inline std::vector<std::pair<std::string, int32_t>> parse_settings_records(
    const std::vector<uint8_t>& bytes) {
    std::vector<std::pair<std::string, int32_t>> out;
    auto u32 = [&bytes](size_t at) {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(bytes[at + i]) << (8 * i);
        return v;
    };
    size_t at = 0;
    while (bytes.size() - at >= 4) {
        const uint32_t name_length = u32(at);
        at += 4;
        if (bytes.size() - at < 4 || bytes.size() - at - 4 < name_length) break;
        std::string name(reinterpret_cast<const char*>(bytes.data() + at), name_length);
        at += name_length;
        const uint32_t data_length = u32(at);
        at += 4;
        if (bytes.size() - at < data_length) break;
        if (data_length == 4) out.emplace_back(name, static_cast<int32_t>(u32(at)));
        at += data_length;
    }
    return out;
}

}  // namespace tarnwick::test
