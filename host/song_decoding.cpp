#include "host/song_decoding.h"

#include <algorithm>
#include <cmath>

namespace standin {

std::string file_extension(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    const size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
    return path.substr(dot + 1);
}

bool open_song(PluginLibrary& plugin, qarvel::HostFile& file, const std::string& name,
               uint32_t flags, OpenedSong& song, std::string* error) {
    song.decoder = plugin.new_decoder();
    if (!song.decoder) {
        *error = "the plug-in has no decoder";
        return false;
    }
    const std::string extension = file_extension(name);
    if (!song.decoder->is_own_type(name.c_str(), extension.c_str())) {
        *error = "not a type the plug-in plays (extension \"" + extension + "\")";
        return false;
    }
    if (!song.decoder->open(&file, &song.report, flags)) {
        *error = "refused by the plug-in (not a playable DMF song, or out of memory)";
        return false;
    }
    return true;
}

namespace {

// `frames_to_skip` answers, given the first block's rate, how many frames to drop.
template <typename SkipAtRate>
DecodeEnd decode_skipping(qarvel::Decoder& decoder, const BlockSink& sink,
                          SkipAtRate frames_to_skip) {
    BlockBuffer block;
    bool first = true;
    uint64_t skip = 0;
    for (;;) {
        const int32_t result = decoder.decode(&block);
        if (result == 0) return DecodeEnd::song_ended;
        if (result != 1 || !block.consistent()) return DecodeEnd::render_error;
        if (first) {
            skip = frames_to_skip(block.sample_rate());
            first = false;
        }
        if (skip > 0) {
            const uint64_t frames = block.frames();
            block.drop_front(skip);
            skip -= std::min(skip, frames);
            if (block.frames() == 0) continue;
        }
        if (!sink(block)) return DecodeEnd::stopped;
    }
}

}  // namespace

DecodeEnd decode_song(qarvel::Decoder& decoder, const BlockSink& sink, uint64_t skip_frames) {
    return decode_skipping(decoder, sink, [skip_frames](uint32_t) { return skip_frames; });
}

DecodeEnd decode_song_from(qarvel::Decoder& decoder, double start_seconds, const BlockSink& sink) {
    return decode_skipping(decoder, sink, [start_seconds](uint32_t rate) {
        // Through a signed 64-bit integer: a negative or huge start is never converted to an
        // unsigned one out of range.
        if (!(start_seconds > 0.0)) return uint64_t{0};
        const double frames = std::min(start_seconds * rate, 9.0e18);
        return static_cast<uint64_t>(std::llround(frames));
    });
}

}  // namespace standin
