#include "qarvel/qarvel_common.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "demo/demo_song_bytes.h"
#include "host/plugin_location.h"
#include "host/settings_records.h"
#include "host/settings_store.h"

namespace qarvel_cli {
namespace {

Verbosity current_verbosity = Verbosity::normal;

}  // namespace

std::string settings_path(const HostChoice& choice) {
    return choice.settings_path.empty() ? standin::default_settings_path() : choice.settings_path;
}

std::unique_ptr<standin::PluginLibrary> load_plugin(const HostChoice& choice) {
    const std::string path = !choice.plugin_path.empty()
                                 ? choice.plugin_path
                                 : standin::default_plugin_path(choice.edition, QARVEL_OWN_EDITION);
    std::string error;
    std::unique_ptr<standin::PluginLibrary> plugin = standin::PluginLibrary::load(path, &error);
    if (!plugin) {
        print_error("cannot load the plug-in " + path + ": " + error);
        return nullptr;
    }
    const std::string stored = settings_path(choice);
    std::vector<uint8_t> bytes;
    if (!stored.empty()) {
        bytes = standin::read_settings_file(stored);
        plugin->load_settings(bytes);
    }
    if (verbose()) {
        print_detail("plug-in " + path + " (" + plugin_version_text(*plugin) + ")");
        print_detail("settings file " + (stored.empty() ? "(none)" : stored) + ": " +
                     std::to_string(bytes.size()) + " bytes read");
    }
    return plugin;
}

std::string plugin_version_text(standin::PluginLibrary& plugin) {
    standin::ServiceRef<qarvel::ComponentVersion> version = plugin.component_version();
    if (!version) return "";
    standin::TextResult name, number;
    version->name(&name);
    version->version(&number);
    return name.str() + " " + number.str();
}

void set_verbosity(Verbosity verbosity) {
    current_verbosity = verbosity;
}
bool quiet() {
    return current_verbosity == Verbosity::quiet;
}
bool verbose() {
    return current_verbosity == Verbosity::verbose;
}

void print_error(const std::string& message) {
    std::fprintf(stderr, "qarvel: %s\n", message.c_str());
}
void print_note(const std::string& message) {
    if (!quiet()) print_error(message);
}
void print_detail(const std::string& message) {
    if (verbose()) print_error(message);
}

std::optional<double> parse_time(const std::string& text) {
    // Up to three fields separated by ':'; all but the last whole numbers, the later ones below
    // 60.
    double total = 0.0;
    size_t at = 0;
    int fields = 0;
    while (true) {
        const size_t colon = text.find(':', at);
        const std::string field = text.substr(at, colon == std::string::npos ? colon : colon - at);
        const bool last = colon == std::string::npos;
        if (field.empty() || ++fields > 3) return std::nullopt;
        size_t digits = 0;
        size_t dots = 0;
        for (char c : field) {
            if (c >= '0' && c <= '9') {
                ++digits;
            } else if (c == '.' && last) {
                ++dots;
            } else {
                return std::nullopt;
            }
        }
        if (digits == 0 || dots > 1 || digits > 9) return std::nullopt;
        const double value = std::strtod(field.c_str(), nullptr);
        if (fields > 1 && value >= 60.0) return std::nullopt;
        total = total * 60.0 + value;
        if (last) return total;
        at = colon + 1;
    }
}

qarvel::HostFile* SongInput::file(std::string* error) {
    if (is_demo()) {
        memory_ = std::make_unique<standin::MemoryFile>(tarnwick::demo::kDemoSong,
                                                        tarnwick::demo::kDemoSongSize);
        return memory_.get();
    }
    if (!disk_.open(path_, error)) return nullptr;
    char signature[4] = {};
    if (disk_.byte_size() == 0) {
        *error = "empty file";
    } else if (disk_.peek(signature, sizeof signature) != sizeof signature ||
               std::memcmp(signature, "DDMF", sizeof signature) != 0) {
        *error = "not a DMF file (no DDMF signature)";
    } else {
        return &disk_;
    }
    return nullptr;
}

}  // namespace qarvel_cli
