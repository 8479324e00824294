// Windows: every program of a build folder sits beside the folder's own edition,
// <build folder>/qrv_tarnwick.dll (and textbridge.dll, which both import); the other edition
// is looked for in the sibling build folder win-<edition>.

#include <windows.h>

#include <filesystem>
#include <string>
#include <system_error>

#include "host/plugin_location.h"

namespace standin {

std::string executable_folder() {
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return "";
    return std::filesystem::path(path).parent_path().string();
}

std::string default_plugin_path(const std::string& edition, const std::string& own_edition) {
    const std::filesystem::path build = executable_folder();
    const char* kLibrary = "qrv_tarnwick.dll";
    if (edition.empty() || edition == own_edition) return (build / kLibrary).string();
    return (build.parent_path() / ("win-" + edition) / kLibrary).string();
}

}  // namespace standin
