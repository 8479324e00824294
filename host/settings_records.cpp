#include "host/settings_records.h"

namespace standin {
namespace {

void put_u32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

uint32_t get_u32(const std::vector<uint8_t>& bytes, size_t at) {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(bytes[at + i]) << (8 * i);
    return v;
}

}  // namespace

void append_settings_record(std::vector<uint8_t>& out, const std::string& name, int32_t value) {
    put_u32(out, static_cast<uint32_t>(name.size()));
    out.insert(out.end(), name.begin(), name.end());
    put_u32(out, 4);
    put_u32(out, static_cast<uint32_t>(value));
}

SettingsRecords parse_settings_records(const std::vector<uint8_t>& bytes) {
    SettingsRecords out;
    size_t at = 0;
    while (bytes.size() - at >= 4) {
        const uint32_t name_length = get_u32(bytes, at);
        at += 4;
        if (bytes.size() - at < static_cast<uint64_t>(name_length) + 4) break;
        std::string name(reinterpret_cast<const char*>(bytes.data() + at), name_length);
        at += name_length;
        const uint32_t data_length = get_u32(bytes, at);
        at += 4;
        if (bytes.size() - at < data_length) break;
        if (data_length == 4) out.emplace_back(name, static_cast<int32_t>(get_u32(bytes, at)));
        at += data_length;
    }
    return out;
}

}  // namespace standin
