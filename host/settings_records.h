#pragma once
// Settings as a host passes them to the plug-in: name-value records, each a 32-bit
// little-endian name length, the name's bytes, a 32-bit data length and the data (for the
// plug-in's settings, 4 bytes holding a signed 32-bit value).

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace standin {

using SettingsRecords = std::vector<std::pair<std::string, int32_t>>;

// The bytes of one record holding `value`, appended to `out`.
void append_settings_record(std::vector<uint8_t>& out, const std::string& name, int32_t value);

// The records with 4-byte data in `bytes`, in order; reading stops at the first record that
// does not fit, and records of other data lengths are skipped.
SettingsRecords parse_settings_records(const std::vector<uint8_t>& bytes);

}  // namespace standin
