#include <windows.h>

#include <filesystem>
#include <string>
#include <system_error>

#include "host/shared_library.h"

namespace standin {

void* open_shared_library(const std::string& path, std::string* error) {
    // With a full path and the altered search order, the DLLs the library imports are looked
    // for beside it first, as a player looks for a plug-in's own DLLs. Paths are in the
    // program's code page, as the command line gives them.
    std::error_code ec;
    const std::filesystem::path full = std::filesystem::absolute(path, ec);
    const std::string open_path = ec ? path : full.string();
    HMODULE library = LoadLibraryExA(open_path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (library == nullptr) {
        *error = "cannot load " + path + " (Windows error " + std::to_string(GetLastError()) + ")";
    }
    return library;
}

void* shared_library_symbol(void* library, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void close_shared_library(void* library) {
    FreeLibrary(static_cast<HMODULE>(library));
}

}  // namespace standin
