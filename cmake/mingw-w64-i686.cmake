# Cross build for 32-bit Windows (build only: nothing here can run 32-bit code).
set(TARNWICK_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
