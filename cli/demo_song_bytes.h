#pragma once
// The shipped demo song, cli/demo.dmf, compiled into qarvel at build time (cli/CMakeLists.txt),
// so that the command line plays it without the plug-in's internals or the DMF writer. Its
// readable source is cli/demo_song.cpp; a test checks that the two agree.

#include <cstddef>
#include <cstdint>

namespace qarvel_cli {

extern const uint8_t kDemoSong[];
extern const size_t kDemoSongSize;

}  // namespace qarvel_cli
