# Build for 32-bit Linux (i686) with the system's compilers and the i386 libraries of
# gcc-multilib/g++-multilib, and run what it builds under qemu's user-mode emulator (this
# machine's kernel cannot execute 32-bit programs):
#     cmake -S . -B build/i686-vanilla -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/linux-i686.cmake
# ctest then runs every test program through qemu-i386 (CMAKE_CROSSCOMPILING_EMULATOR).
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(CMAKE_C_COMPILER gcc)
set(CMAKE_CXX_COMPILER g++)
set(CMAKE_C_FLAGS_INIT "-m32")
set(CMAKE_CXX_FLAGS_INIT "-m32")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-m32")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-m32")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-m32")
set(CMAKE_LIBRARY_ARCHITECTURE i386-linux-gnu)

# Only the i386 libraries: the x86-64 ones (libsndfile, SDL2, GoogleTest, Google Benchmark) must
# not be found. Header-only packages (CLI11) and programs are found where they are.
set(CMAKE_IGNORE_PREFIX_PATH /usr/lib/x86_64-linux-gnu)
set(CMAKE_IGNORE_PATH /usr/lib/x86_64-linux-gnu /lib/x86_64-linux-gnu)
set(ENV{PKG_CONFIG_LIBDIR} /usr/lib/i386-linux-gnu/pkgconfig:/usr/lib32/pkgconfig)

find_program(TARNWICK_QEMU_I386 qemu-i386)
if(TARNWICK_QEMU_I386)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${TARNWICK_QEMU_I386})
endif()
