# qarvel.exe: the same stand-in host and command line for Windows, beside the DLLs it loads
# (build/<folder>/). Without libsndfile here it writes WAV and raw f32 itself
# (audio_writer_windows.cpp); FLAC is Linux-only. The demo song is cli/demo.dmf compiled in.
# CLI11 is header-only: its Debian headers are used as they are.
set(demo_source ${CMAKE_CURRENT_BINARY_DIR}/demo_song_bytes.cpp)
add_custom_command(OUTPUT ${demo_source}
    COMMAND ${CMAKE_COMMAND} -DINPUT=${CMAKE_CURRENT_SOURCE_DIR}/demo.dmf -DOUTPUT=${demo_source}
            -DFUNCTION=qarvel_cli::embedded_demo_song -DHEADER=cli/embedded_demo_song.h
            -P ${PROJECT_SOURCE_DIR}/cmake/embed_file.cmake
    DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/demo.dmf ${PROJECT_SOURCE_DIR}/cmake/embed_file.cmake
    COMMENT "Embedding the demo song")
add_library(qarvel_demo_song STATIC ${demo_source})
target_include_directories(qarvel_demo_song PUBLIC ${PROJECT_SOURCE_DIR})

# Only the CLI11 folder of the system's headers, never the rest of /usr/include.
set(cli11_include ${CMAKE_CURRENT_BINARY_DIR}/cli11_include)
file(MAKE_DIRECTORY ${cli11_include})
file(CREATE_LINK /usr/include/CLI ${cli11_include}/CLI SYMBOLIC)

add_executable(qarvel
    qarvel_main.cpp
    qarvel_common.cpp
    info_command.cpp
    render_command.cpp
    render_progress.cpp
    audio_writer_windows.cpp
    json_text.cpp
    png_image.cpp
    preferences_window_windows.cpp
    prefs_command.cpp)
target_include_directories(qarvel PRIVATE ${PROJECT_SOURCE_DIR})
target_include_directories(qarvel SYSTEM PRIVATE ${cli11_include})
target_link_libraries(qarvel PRIVATE qarvel_host qarvel_demo_song gdi32 user32)
target_link_options(qarvel PRIVATE -static -static-libstdc++ -static-libgcc)
target_compile_definitions(qarvel PRIVATE QARVEL_OWN_EDITION="${TARNWICK_EDITION}")
set_target_properties(qarvel PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
add_dependencies(qarvel qrv_tarnwick)
