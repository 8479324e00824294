#include "host/settings_store.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "host/host_objects.h"

namespace standin {

std::string default_settings_path() {
#if defined(_WIN32)
    // Windows keeps a user's settings under the roaming application data folder.
    const char* app_data = std::getenv("APPDATA");
    if (app_data == nullptr || app_data[0] == '\0') return "";
    return std::string(app_data) + "\\qarvel\\tarnwick.settings";
#endif
    const char* config_home = std::getenv("XDG_CONFIG_HOME");
    std::string folder;
    if (config_home != nullptr && config_home[0] == '/') {
        folder = config_home;
    } else {
        const char* home = std::getenv("HOME");
        if (home == nullptr || home[0] == '\0') return "";
        folder = std::string(home) + "/.config";
    }
    return folder + "/qarvel/tarnwick.settings";
}

std::vector<uint8_t> read_settings_file(const std::string& path) {
    constexpr size_t kMostBytes = 1u << 20;
    std::vector<uint8_t> bytes;
    DiskFile file;  // a FIFO or a device is not waited on: it reads as no bytes
    std::string error;
    if (!file.open(path, &error, UINT64_MAX)) return bytes;
    uint8_t buffer[4096];
    uint32_t n = 0;
    while (bytes.size() < kMostBytes && (n = file.read(buffer, sizeof buffer)) > 0) {
        bytes.insert(bytes.end(), buffer, buffer + n);
    }
    if (bytes.size() > kMostBytes) bytes.resize(kMostBytes);
    return bytes;
}

bool write_settings_file(const std::string& path, const std::vector<uint8_t>& bytes,
                         std::string* error) {
    const std::string kind = non_file_kind(path);
    if (!kind.empty()) {
        *error = "cannot write " + path + ": it is " + kind + ", not a settings file";
        return false;
    }
    std::error_code ec;
    const std::filesystem::path target(path);
    if (target.has_parent_path()) std::filesystem::create_directories(target.parent_path(), ec);
    // Written beside the file and renamed over it, so that a failed write keeps the old one.
    const std::string temporary = path + ".new";
    std::FILE* f = std::fopen(temporary.c_str(), "wb");
    if (f == nullptr) {
        *error = "cannot write " + temporary + ": " + std::strerror(errno);
        return false;
    }
    bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    ok = std::fclose(f) == 0 && ok;
    // std::filesystem::rename replaces an existing file on Windows too, where std::rename
    // refuses to.
    std::error_code rename_error;
    if (ok) std::filesystem::rename(temporary, target, rename_error);
    if (!ok || rename_error) {
        *error = "cannot write " + path + ": " +
                 (rename_error ? rename_error.message() : std::string(std::strerror(errno)));
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

bool remove_settings_file(const std::string& path, std::string* error) {
    const std::string kind = non_file_kind(path);
    if (!kind.empty()) {
        *error = path + " is " + kind + ", not a settings file: nothing removed";
        return false;
    }
    if (std::remove(path.c_str()) == 0 || errno == ENOENT) return true;
    *error = "cannot remove " + path + ": " + std::strerror(errno);
    return false;
}

}  // namespace standin
