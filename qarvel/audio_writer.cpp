// Which writer a build uses: the build option QARVEL_WITH_SNDFILE says whether libsndfile is
// linked (qarvel/CMakeLists.txt).
#include "qarvel/audio_writer.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace qarvel_cli {

bool flac_available() {
    return QARVEL_WITH_SNDFILE != 0;
}

std::optional<AudioFormat> format_of_name(const std::string& path, std::string* extension) {
    std::string ext = std::filesystem::path(path).extension().string();
    if (!ext.empty()) ext.erase(0, 1);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    *extension = ext;
    if (ext == "wav") return AudioFormat::wav;
    if (ext == "flac") return AudioFormat::flac;
    if (ext == "f32" || ext == "raw") return AudioFormat::f32;
    return std::nullopt;
}

std::unique_ptr<AudioWriter> make_audio_writer(AudioFormat format, bool pcm16,
                                               const std::string& path) {
#if QARVEL_WITH_SNDFILE
    if (format == AudioFormat::flac) return make_sndfile_audio_writer(format, pcm16, path);
#endif
    return make_builtin_audio_writer(format, pcm16, path);
}

}  // namespace qarvel_cli
