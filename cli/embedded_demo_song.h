#pragma once
// The shipped demo song, cli/demo.dmf, as bytes compiled into the program (the source is
// generated from the file at build time by cmake/embed_file.cmake).

#include <cstdint>
#include <vector>

namespace qarvel_cli {

std::vector<uint8_t> embedded_demo_song();

}  // namespace qarvel_cli
