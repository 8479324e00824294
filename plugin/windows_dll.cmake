# The plug-in as shipped on Windows: build/<folder>/qrv_tarnwick.dll, made from the objects of
# tarnwick_core with dialog resource 9 compiled in from decoder/preferences_dialog.rc. It
# exports qarvel_get_interface alone (the module definition file) and imports only the C
# run-time, kernel32, user32 and textbridge.dll: the C++ runtime, libgcc and winpthreads are
# linked in (-static), so no MinGW DLL has to travel with it. One edition a build folder:
# build/win-vanilla and build/win-sse.
enable_language(RC)

add_library(qrv_tarnwick SHARED
    $<TARGET_OBJECTS:tarnwick_core>
    ${CMAKE_CURRENT_SOURCE_DIR}/runtime_shutdown.cpp
    ${PROJECT_SOURCE_DIR}/decoder/preferences_dialog.rc
    ${CMAKE_CURRENT_SOURCE_DIR}/qrv_tarnwick.def)
set_target_properties(qrv_tarnwick PROPERTIES
    OUTPUT_NAME qrv_tarnwick
    PREFIX ""
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}
    LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
target_link_options(qrv_tarnwick PRIVATE -static -static-libstdc++ -static-libgcc
                    -Wl,--no-undefined)
target_link_libraries(qrv_tarnwick PRIVATE textbridge user32)
tarnwick_set_plugin_code(qrv_tarnwick)
