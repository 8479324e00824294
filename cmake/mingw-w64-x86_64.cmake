# Cross build for 64-bit Windows with Debian's MinGW-w64 (posix threads) and Wine to run what
# it builds: cmake -S . -B build/win-vanilla -G Ninja
#     -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DTARNWICK_EDITION=vanilla
set(TARNWICK_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
