#include "host/song_decoding.h"

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

DecodeEnd decode_song(qarvel::Decoder& decoder, const BlockSink& sink) {
    BlockBuffer block;
    for (;;) {
        const int32_t result = decoder.decode(&block);
        if (result == 0) return DecodeEnd::song_ended;
        if (result != 1 || !block.consistent()) return DecodeEnd::render_error;
        if (!sink(block)) return DecodeEnd::stopped;
    }
}

}  // namespace standin
