// The plug-in carries its own copy of the C++ runtime (-static-libstdc++). That copy sets aside
// an emergency pool for exceptions and never gives it back; the plug-in throws nothing, so the
// pool is freed when the library is unloaded, or every unload would leak it (about 71 KiB).
// Only the shared library has this file: a program that links the plug-in's code statically
// uses the system's runtime and leaves its pool alone.

#include <cstddef>  // tells which C++ runtime this is

#if defined(__GLIBCXX__)
namespace __gnu_cxx {
void __freeres() noexcept;
}

namespace {

struct RuntimeShutdown {
    ~RuntimeShutdown() { __gnu_cxx::__freeres(); }
};
RuntimeShutdown g_runtime_shutdown;

}  // namespace
#endif
