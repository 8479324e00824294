#include <dlfcn.h>

#include "host/shared_library.h"

namespace standin {

void* open_shared_library(const std::string& path, std::string* error) {
    // A path without a slash would make dlopen search the library path instead.
    const std::string open_path = path.find('/') == std::string::npos ? "./" + path : path;
    void* library = dlopen(open_path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        const char* reason = dlerror();
        *error = reason != nullptr ? reason : "cannot load " + path;
    }
    return library;
}

void* shared_library_symbol(void* library, const char* name) {
    return dlsym(library, name);
}

void close_shared_library(void* library) {
    dlclose(library);
}

}  // namespace standin
