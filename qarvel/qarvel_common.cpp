#include "qarvel/qarvel_common.h"

#include <cstdio>

#include "demo/demo_song_bytes.h"
#include "host/plugin_location.h"
#include "host/settings_store.h"

namespace qarvel_cli {

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
    if (!stored.empty()) plugin->load_settings(standin::read_settings_file(stored));
    return plugin;
}

void print_error(const std::string& message) {
    std::fprintf(stderr, "qarvel: %s\n", message.c_str());
}

qarvel::HostFile* SongInput::file(std::string* error) {
    if (!is_demo()) return disk_.open(path_, error) ? &disk_ : nullptr;
    memory_ = std::make_unique<standin::MemoryFile>(tarnwick::demo::kDemoSong,
                                                    tarnwick::demo::kDemoSongSize);
    return memory_.get();
}

}  // namespace qarvel_cli
