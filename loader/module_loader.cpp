// The chunk walk over a whole DMF image: the header, then each chunk handed to its reader
// (module_reader.h, pattern_reader.h, sample_reader.h) until "ENDE".

#include "loader/module.h"
#include "loader/module_reader.h"
#include "loader/pattern_reader.h"
#include "loader/sample_reader.h"

namespace tarnwick {

LoadRefusal Module::load_module_explained(const uint8_t* data, size_t size) {
    restart_pending = true;
    if (data == nullptr || size < kMinimumFileSize) return LoadRefusal::too_short;

    ChunkCursor cursor(data, size);
    if (LoadRefusal r = read_header(*this, cursor); r != LoadRefusal::none) return r;

    // One budget for every pattern of this load, however many "PATT" chunks there are.
    PatternCellBudget pattern_budget;
    while (!cursor.at_end()) {
        if (cursor.remaining() < 4) return LoadRefusal::chunk_id_truncated;
        if (cursor.next_is("ENDE")) {
            // Nothing after the end marker is read.
            const bool complete = patterns && orders && samples.count() > 0;
            return complete ? LoadRefusal::none : LoadRefusal::incomplete_song;
        }
        LoadRefusal result = LoadRefusal::none;
        if (cursor.next_is("CMSG")) {
            cursor.skip(4);
            result = read_message(*this, cursor);
        } else if (cursor.next_is("SEQU")) {
            cursor.skip(4);
            result = read_orders(*this, cursor);
        } else if (cursor.next_is("PATT")) {
            cursor.skip(4);
            result = read_patterns(*this, cursor, pattern_budget);
        } else if (cursor.next_is("SMPI")) {
            cursor.skip(4);
            result = read_sample_info(*this, cursor);
        } else if (cursor.next_is("SMPD")) {
            cursor.skip(4);
            result = read_sample_data(*this, cursor);
        } else {
            cursor.skip(4);
            uint32_t length = 0;
            result = read_payload_length(cursor, length);
            if (result == LoadRefusal::none) cursor.skip(length);
        }
        if (result != LoadRefusal::none) return result;
    }
    return LoadRefusal::missing_end;
}

}  // namespace tarnwick
