#pragma once
// What every qarvel command shares: which plug-in to load, where the settings live, the exit
// statuses, and the song inputs (a file, or the embedded demo song).

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "host/host_objects.h"
#include "host/plugin_library.h"

namespace qarvel_cli {

// Exit statuses, as documented in --help and the README.
inline constexpr int kExitOk = 0;
inline constexpr int kExitUsage = 1;
inline constexpr int kExitFailed = 2;

struct HostChoice {
    std::string edition;        // "", "vanilla" or "sse"
    std::string plugin_path;    // overrides the edition when set
    std::string settings_path;  // "" for the default settings file
};

// The settings file in use.
std::string settings_path(const HostChoice& choice);

// Loads the chosen plug-in and hands it the stored settings; null after printing why.
std::unique_ptr<standin::PluginLibrary> load_plugin(const HostChoice& choice);

// Prints "qarvel: message" on standard error.
void print_error(const std::string& message);

// One song to open: a path, or the embedded demo song (empty path).
class SongInput {
  public:
    explicit SongInput(std::string path) : path_(std::move(path)) {}
    bool is_demo() const { return path_.empty(); }
    // The name shown and used for the type test and for output names.
    std::string name() const { return is_demo() ? "demo.dmf" : path_; }
    // The host file to open, or null with a reason.
    qarvel::HostFile* file(std::string* error);

  private:
    std::string path_;
    standin::DiskFile disk_;
    std::unique_ptr<standin::MemoryFile> memory_;
};

}  // namespace qarvel_cli
