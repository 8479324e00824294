#pragma once
// Texts from DMF files are code page 437; the host wants UTF-8. Bytes 0x01 to 0x7F pass
// through as themselves (control bytes included, not the code page's pictograms); bytes
// 0x80 to 0xFF map through the published code page 437 table. A NUL ends the text.

#include <cstddef>
#include <cstdint>

#include "shell/text_builder.h"

namespace tarnwick {

// The code point of a code page 437 byte of 0x80 or more.
uint16_t cp437_code_point(uint8_t byte);

// The UTF-8 form of a code page 437 text, read up to its NUL but never past `limit` bytes
// (fixed-size fields need not be terminated). A null text gives the empty text. When memory
// runs out the result holds what fitted and reports out_of_memory().
TextBuilder text_from_cp437(const char* text, size_t limit = SIZE_MAX);

}  // namespace tarnwick
