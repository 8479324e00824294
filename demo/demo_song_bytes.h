#pragma once
// The shipped demo song, demo/demo.dmf, compiled in at build time (demo/CMakeLists.txt), so
// that qarvel plays it without the plug-in's internals or the DMF writer. Its readable source
// is demo/demo_song.cpp; a test checks that the two agree.

#include <cstddef>
#include <cstdint>

namespace tarnwick::demo {

extern const uint8_t kDemoSong[];
extern const size_t kDemoSongSize;

}  // namespace tarnwick::demo
