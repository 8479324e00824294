# What both MinGW-w64 toolchain files share; TARNWICK_MINGW_TRIPLE names the target.
set(CMAKE_SYSTEM_NAME Windows)
string(REGEX REPLACE "-.*" "" CMAKE_SYSTEM_PROCESSOR ${TARNWICK_MINGW_TRIPLE})

# The posix flavour: std::thread and std::mutex need it.
set(CMAKE_C_COMPILER ${TARNWICK_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TARNWICK_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${TARNWICK_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TARNWICK_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Tests run their programs under Wine (Debian installs wine64 outside the search path).
if(TARNWICK_MINGW_TRIPLE STREQUAL "x86_64-w64-mingw32")
    find_program(TARNWICK_WINE wine64 PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
    if(TARNWICK_WINE)
        set(CMAKE_CROSSCOMPILING_EMULATOR ${TARNWICK_WINE})
    endif()
endif()
