#pragma once
// The little JSON that `qarvel info --json` writes: quoted strings and numbers.

#include <string>

namespace qarvel_cli {

// `text` as a JSON string with its quotes. Bytes that are not valid UTF-8 become U+FFFD, so
// that the output stays valid JSON whatever a song's texts hold.
std::string json_string(const std::string& text);

// The shortest decimal that reads back as `value`; null for NaN and infinities.
std::string json_number(double value);

}  // namespace qarvel_cli
