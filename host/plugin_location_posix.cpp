#include <filesystem>
#include <system_error>
#include <vector>

#include "host/plugin_location.h"

namespace standin {

std::string executable_folder() {
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return "";
    return exe.parent_path().string();
}

std::string default_plugin_path(const std::string& edition, const std::string& own_edition) {
    const std::filesystem::path program_folder = executable_folder();
    const std::filesystem::path build = program_folder.parent_path();
    const char* kLibrary = "libqrv_tarnwick.so";
    std::vector<std::filesystem::path> candidates;
    if (edition.empty() || edition == own_edition) {
        candidates.push_back(build / kLibrary);
    } else {
        candidates.push_back(build.parent_path() / edition / kLibrary);
        candidates.push_back(build / "plugin" / "other_edition" / kLibrary);
    }
    for (const auto& candidate : candidates) {
        std::error_code ec;
        if (std::filesystem::is_regular_file(candidate, ec)) return candidate.string();
    }
    return candidates.front().string();
}

}  // namespace standin
