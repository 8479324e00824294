#pragma once
// Driving one decoder service as the host does: the type test on the file's extension, one
// open with the flags, then decode calls until the song ends (0) or fails (-1).
//
// Limits and choices:
// - A block whose announced frames and channels do not fit in the storage the plug-in asked
//   for is a render error: the host never reads past its own buffer.
// - Every delivered block is handed on whole, as delivered; a caller that wants fewer frames
//   cuts them itself. The one exception is a start past the song's beginning: the decoder
//   cannot seek, so the frames before it are decoded and dropped ("decoding forward", as fast
//   as the plug-in renders), and the block that holds the start is handed on from there.

#include <cstdint>
#include <functional>
#include <string>

#include "host/host_objects.h"
#include "host/plugin_library.h"
#include "qarvel/plugin_abi.h"

namespace standin {

// The extension of `path` after its last dot (in its last component), or "".
std::string file_extension(const std::string& path);

// A decoder opened on one song.
struct OpenedSong {
    ServiceRef<qarvel::Decoder> decoder;
    TrackReport report;
};

// Creates a decoder, runs the type test on `name` and opens `file` with `flags`. False with a
// one-line reason in `error` when the plug-in does not take the file.
bool open_song(PluginLibrary& plugin, qarvel::HostFile& file, const std::string& name,
               uint32_t flags, OpenedSong& song, std::string* error);

// Called with each delivered block; returns false to stop decoding.
using BlockSink = std::function<bool(const BlockBuffer& block)>;

enum class DecodeEnd { song_ended, stopped, render_error };

// Decodes until the end, an error, or the sink stops it, dropping the first `skip_frames`
// frames. A song that ends before them ends without calling the sink.
DecodeEnd decode_song(qarvel::Decoder& decoder, const BlockSink& sink, uint64_t skip_frames = 0);

// The same with the start given in seconds, at the rate of the first block delivered (for a
// caller that does not know the rate before the song plays).
DecodeEnd decode_song_from(qarvel::Decoder& decoder, double start_seconds, const BlockSink& sink);

}  // namespace standin
