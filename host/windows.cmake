# textbridge on Windows: textbridge.dll over the real user32 (and the common controls, whose
# trackbar the page holds). It exports its C calls (TEXTBRIDGE_API); the C++ runtime is
# linked in, so it needs no MinGW DLL beside it.
add_library(textbridge SHARED
    textbridge/windows/host_calls.cpp
    textbridge/windows/plugin_calls.cpp
    textbridge/windows/user_input.cpp
    textbridge/windows/wide_text.cpp)
target_include_directories(textbridge
    PUBLIC ${PROJECT_SOURCE_DIR}/include
    PRIVATE ${PROJECT_SOURCE_DIR})
target_compile_definitions(textbridge PRIVATE TEXTBRIDGE_BUILDING UNICODE _UNICODE)
set_target_properties(textbridge PROPERTIES
    PREFIX ""
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}
    LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
target_link_options(textbridge PRIVATE -static -static-libstdc++ -static-libgcc -Wl,--no-undefined)
target_link_libraries(textbridge PRIVATE user32 comctl32)

# The stand-in host, as on Linux, with LoadLibrary where Linux uses dlopen.
add_library(qarvel_host STATIC
    stand_in/host_objects.cpp
    stand_in/plugin_library.cpp
    stand_in/plugin_location_windows.cpp
    stand_in/settings_records.cpp
    stand_in/settings_store.cpp
    stand_in/shared_library_windows.cpp
    stand_in/song_decoding.cpp)
target_include_directories(qarvel_host PUBLIC ${PROJECT_SOURCE_DIR}/include ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(qarvel_host PUBLIC textbridge)
