#pragma once
// The little JSON that `qarvel info --json` writes: quoted strings and numbers.

#include <string>

namespace qarvel_cli {

// `text` as a JSON string with its quotes. Bytes that are not valid UTF-8 become U+FFFD, so
// that the output stays valid JSON whatever a song's texts hold.
std::string json_string(const std::string& text);

// The shortest decimal that reads back as `value`; null for NaN and infinities.
std::string json_number(double value);

// Whether `text` is a whole decimal number as JSON writes one ("0", "-12", "48000"; not "007",
// "+1" or "1.5") and short enough (15 digits) that every reader holds it exactly.
bool is_json_integer(const std::string& text);

}  // namespace qarvel_cli
