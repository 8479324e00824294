# Writes a C++ source holding a file's bytes, run at build time:
#   cmake -DINPUT=cli/demo.dmf -DOUTPUT=demo_song_bytes.cpp -DFUNCTION=qarvel_cli::embedded_demo_song
#         -DHEADER=cli/embedded_demo_song.h -P embed_file.cmake
# FUNCTION (namespace::name) returns the bytes as a std::vector<uint8_t>; HEADER declares it.
foreach(var INPUT OUTPUT FUNCTION HEADER)
    if(NOT DEFINED ${var})
        message(FATAL_ERROR "embed_file: ${var} is not set")
    endif()
endforeach()
file(READ ${INPUT} hex HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "(([^,]*,){16})" "\\1\n    " bytes "${bytes}")
string(REGEX REPLACE "::[^:]*$" "" namespace ${FUNCTION})
string(REGEX REPLACE "^.*::" "" name ${FUNCTION})
get_filename_component(input_name ${INPUT} NAME)
file(WRITE ${OUTPUT}.new "// Generated from ${input_name} at build time; do not edit.
#include \"${HEADER}\"

namespace ${namespace} {
namespace {
const uint8_t kBytes[] = {
    ${bytes}
};
}  // namespace

std::vector<uint8_t> ${name}() {
    return std::vector<uint8_t>(kBytes, kBytes + sizeof kBytes);
}

}  // namespace ${namespace}
")
# Only a changed source is rewritten, so that nothing recompiles for nothing.
file(COPY_FILE ${OUTPUT}.new ${OUTPUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUTPUT}.new)
