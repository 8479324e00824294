# Cross build for 32-bit Windows (build only: Wine's 32-bit half cannot be installed here).
set(TARNWICK_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
