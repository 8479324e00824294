#pragma once
// Why the loader refused a file. The plug-in only needs "refused or not"; tests and
// diagnostics use the reason to check that a file was refused for the right fault.

#include <cstdint>

namespace tarnwick {

enum class LoadRefusal : uint8_t {
    none = 0,                  // the file loaded
    too_short,                 // no data, or fewer than 70 bytes
    bad_magic,                 // the first four bytes are not "DDMF"
    chunk_id_truncated,        // fewer than 4 bytes where a chunk identifier is due
    chunk_length_truncated,    // a chunk's u32 length field is incomplete
    chunk_payload_overrun,     // a chunk's payload runs past the end of the file
    orders_too_short,          // "SEQU" payload below 4 bytes
    too_many_orders,           // "SEQU" holds more than 65535 orders
    pattern_count_invalid,     // "PATT" pattern count missing, 0 or above 1024
    song_track_count_invalid,  // "PATT" song track count missing or above 32
    pattern_header_truncated,  // fewer than 8 bytes where a pattern header is due
    pattern_stream_overrun,    // a packed size or a row stream runs past its bound, or is
                               // too short for the pattern's rows
    pattern_budget_exceeded,   // the decoded cells would exceed the loader's cell budget
    sample_info_empty,         // "SMPI" payload is empty
    sample_entry_truncated,    // a sample entry does not fit in the "SMPI" payload
    sample_name_too_long,      // a sample name longer than 30 bytes
    sample_flags_refused,      // sample flags with bit 3 or bit 7 set
    sample_block_truncated,    // an "SMPD" block count is missing or its block overruns
    sample_data_refused,       // a non-empty block for a sample of length 0 or above the limit
    out_of_memory,             // an allocation failed
    missing_end,               // the file ends without "ENDE"
    incomplete_song,           // "ENDE" before "PATT" or "SEQU", or with no sample
};

// A short English name of the reason, for diagnostics ("missing_end", ...).
const char* to_string(LoadRefusal reason);

}  // namespace tarnwick
