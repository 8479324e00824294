#pragma once
// Loading a shared library and finding a symbol in it: dlopen on Linux, LoadLibrary on
// Windows. The handle is what the plug-in's entry point receives as its module instance
// (dlopen's handle, or the HMODULE), through which its dialog resources are found.

#include <string>

namespace standin {

// The library at `path`, or null with the reason in `error`.
void* open_shared_library(const std::string& path, std::string* error);
void* shared_library_symbol(void* library, const char* name);
void close_shared_library(void* library);

}  // namespace standin
