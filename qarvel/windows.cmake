# qarvel.exe: the same command line for Windows, beside the DLLs it loads (build/<folder>/),
# with the preferences page in a real window (prefs, prefs --screenshot).
# CLI11 is header-only: its Debian headers are used as they are, and only its folder of the
# system's headers is seen, never the rest of /usr/include. stb_image_write (libstb-dev) writes
# the window's picture; it is header-only too.
set(system_headers ${CMAKE_CURRENT_BINARY_DIR}/system_headers)
file(MAKE_DIRECTORY ${system_headers})
file(CREATE_LINK /usr/include/CLI ${system_headers}/CLI SYMBOLIC)
file(CREATE_LINK /usr/include/stb ${system_headers}/stb SYMBOLIC)

target_sources(qarvel PRIVATE preferences_window_windows.cpp)
target_include_directories(qarvel SYSTEM PRIVATE ${system_headers})
target_link_libraries(qarvel PRIVATE gdi32 user32)
target_link_options(qarvel PRIVATE -static -static-libstdc++ -static-libgcc)
set_target_properties(qarvel PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
