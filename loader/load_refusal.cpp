#include "loader/load_refusal.h"

namespace tarnwick {

const char* to_string(LoadRefusal reason) {
    switch (reason) {
        case LoadRefusal::none: return "none";
        case LoadRefusal::too_short: return "too_short";
        case LoadRefusal::bad_magic: return "bad_magic";
        case LoadRefusal::chunk_id_truncated: return "chunk_id_truncated";
        case LoadRefusal::chunk_length_truncated: return "chunk_length_truncated";
        case LoadRefusal::chunk_payload_overrun: return "chunk_payload_overrun";
        case LoadRefusal::orders_too_short: return "orders_too_short";
        case LoadRefusal::too_many_orders: return "too_many_orders";
        case LoadRefusal::pattern_count_invalid: return "pattern_count_invalid";
        case LoadRefusal::song_track_count_invalid: return "song_track_count_invalid";
        case LoadRefusal::pattern_header_truncated: return "pattern_header_truncated";
        case LoadRefusal::pattern_stream_overrun: return "pattern_stream_overrun";
        case LoadRefusal::pattern_budget_exceeded: return "pattern_budget_exceeded";
        case LoadRefusal::sample_info_empty: return "sample_info_empty";
        case LoadRefusal::sample_entry_truncated: return "sample_entry_truncated";
        case LoadRefusal::sample_name_too_long: return "sample_name_too_long";
        case LoadRefusal::sample_flags_refused: return "sample_flags_refused";
        case LoadRefusal::sample_block_truncated: return "sample_block_truncated";
        case LoadRefusal::sample_data_refused: return "sample_data_refused";
        case LoadRefusal::out_of_memory: return "out_of_memory";
        case LoadRefusal::missing_end: return "missing_end";
        case LoadRefusal::incomplete_song: return "incomplete_song";
    }
    return "unknown";
}

}  // namespace tarnwick
