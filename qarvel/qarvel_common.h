#pragma once
// What every qarvel command shares: which plug-in to load, where the settings live, the exit
// statuses, how much is said on standard error, and the song inputs (a file, or the embedded
// demo song).
//
// Every line qarvel writes on standard error starts with "qarvel:" and, when it is about one
// file, names it next ("qarvel: song.dmf: empty file").

#include <cstdint>
#include <memory>
#include <optional>
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

// The plug-in's name and version text ("tarnwick 0.3.3"), or "" when it has no
// component-version service.
std::string plugin_version_text(standin::PluginLibrary& plugin);

// How much goes to standard error: --quiet says only what went wrong; --verbose also says which
// plug-in and settings file were used, the settings in force and how each render went. Set once,
// before any command runs.
enum class Verbosity { quiet, normal, verbose };
void set_verbosity(Verbosity verbosity);
bool quiet();
bool verbose();

// Prints "qarvel: message" on standard error: always (print_error), unless quiet (print_note),
// or only when verbose (print_detail).
void print_error(const std::string& message);
void print_note(const std::string& message);
void print_detail(const std::string& message);

// A time as a user writes it: seconds ("90", "12.5"), M:SS or H:MM:SS (with a fraction on the
// seconds); nullopt for anything else.
std::optional<double> parse_time(const std::string& text);

// One song to open: a path, or the embedded demo song (empty path).
class SongInput {
  public:
    explicit SongInput(std::string path) : path_(std::move(path)) {}
    bool is_demo() const { return path_.empty(); }
    // The name shown and used for the type test and for output names.
    std::string name() const { return is_demo() ? "demo.dmf" : path_; }
    // The host file to open, or null with a one-line reason: the host's own refusals (not a
    // regular file, empty, too large, no DDMF signature) come before the plug-in sees the file.
    qarvel::HostFile* file(std::string* error);

  private:
    std::string path_;
    standin::DiskFile disk_;
    std::unique_ptr<standin::MemoryFile> memory_;
};

}  // namespace qarvel_cli
