// Which writer a build uses: the build option QARVEL_WITH_SNDFILE says whether libsndfile is
// linked (qarvel/CMakeLists.txt).
#include "qarvel/audio_writer.h"

namespace qarvel_cli {

bool flac_available() {
    return QARVEL_WITH_SNDFILE != 0;
}

std::unique_ptr<AudioWriter> make_audio_writer(AudioFormat format, bool pcm16,
                                               const std::string& path) {
#if QARVEL_WITH_SNDFILE
    return make_sndfile_audio_writer(format, pcm16, path);
#else
    return make_builtin_audio_writer(format, pcm16, path);
#endif
}

}  // namespace qarvel_cli
