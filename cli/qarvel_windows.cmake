# qarvel.exe: the same stand-in host and command line for Windows, beside the DLLs it loads
# (build/<folder>/). Without libsndfile here it writes WAV and raw f32 itself
# (audio_writer_windows.cpp); FLAC is Linux-only. The demo song is cli/demo.dmf compiled in
# (qarvel_demo_song, from cli/CMakeLists.txt).
# CLI11 is header-only: its Debian headers are used as they are.
# Only the CLI11 folder of the system's headers, never the rest of /usr/include.
set(cli11_include ${CMAKE_CURRENT_BINARY_DIR}/cli11_include)
file(MAKE_DIRECTORY ${cli11_include})
file(CREATE_LINK /usr/include/CLI ${cli11_include}/CLI SYMBOLIC)

add_executable(qarvel ${QARVEL_COMMON_SOURCES}
    audio_writer_windows.cpp
    png_image.cpp
    preferences_window_windows.cpp)
target_include_directories(qarvel PRIVATE ${PROJECT_SOURCE_DIR})
target_include_directories(qarvel SYSTEM PRIVATE ${cli11_include})
target_link_libraries(qarvel PRIVATE qarvel_host qarvel_demo_song gdi32 user32)
target_link_options(qarvel PRIVATE -static -static-libstdc++ -static-libgcc)
target_compile_definitions(qarvel PRIVATE QARVEL_OWN_EDITION="${TARNWICK_EDITION}")
set_target_properties(qarvel PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
add_dependencies(qarvel qrv_tarnwick)
