#include "qarvel/play/play_command.h"

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <random>

#include "host/settings_records.h"
#include "qarvel/play/audio_output.h"
#include "qarvel/play/player.h"
#include "qarvel/play/player_keys.h"
#include "qarvel/play/playlist.h"

namespace qarvel_cli {
namespace {

PlaySettings settings_in_force(standin::PluginLibrary& plugin, const PlayOptions& options) {
    PlaySettings s =
        PlaySettings::from_records(standin::parse_settings_records(plugin.save_settings()));
    if (options.rate) s.rate = *options.rate;
    if (options.mode) s.mode = *options.mode;
    if (options.volume) s.volume = static_cast<int32_t>(std::llround(*options.volume * 1000.0));
    if (options.ramp_length) s.ramp_length = *options.ramp_length;
    if (options.loop) s.loop = true;
    return s;
}

int list_devices() {
    std::string error;
    std::unique_ptr<AudioSystem> audio = AudioSystem::start(&error);
    if (!audio) {
        print_error("no audio output: " + error);
        return kExitFailed;
    }
    std::printf("driver: %s\n", audio->driver().c_str());
    for (const std::string& name : audio->device_names()) std::printf("%s\n", name.c_str());
    return kExitOk;
}

}  // namespace

int run_play(const HostChoice& host, const PlayOptions& options) {
    if (options.list_devices) return list_devices();

    std::vector<std::string> problems;
    std::vector<std::string> songs = expand_song_inputs(options.inputs, &problems);
    for (const std::string& p : problems) print_error(p);
    if (songs.empty()) {
        print_error("no .dmf songs found");
        return kExitFailed;
    }

    std::unique_ptr<standin::PluginLibrary> plugin = load_plugin(host);
    if (!plugin) return kExitFailed;
    PlayerSetup setup;
    setup.settings = settings_in_force(*plugin, options);
    // The settings file may name a rate the option would refuse.
    if (setup.settings.output_rate() < PlaySettings::kLowestDeviceRate) {
        print_error("cannot play at " + std::to_string(setup.settings.output_rate()) +
                    " Hz (the settings' rate): sound devices play " +
                    std::to_string(PlaySettings::kLowestDeviceRate) +
                    " Hz and up; give --rate, or render to a file");
        return kExitFailed;
    }

    std::string error;
    std::unique_ptr<AudioSystem> audio = AudioSystem::start(&error);
    if (!audio) {
        print_error("no audio output: " + error);
        return kExitFailed;
    }

    setup.start_seconds = options.start;
    setup.seconds = options.seconds;
    setup.device = options.device;
    setup.screen = isatty(STDERR_FILENO) != 0;
    setup.keys = true;  // from the controlling terminal, when there is one
    Playlist playlist(std::move(songs), options.shuffle, options.repeat, std::random_device{}());
    int status = kExitOk;
    {
        Player player(*plugin, setup);
        status = player.run(playlist);
    }
    return problems.empty() ? status : kExitFailed;
}

std::string play_keys_text() {
    std::string text = "Keys (read from the terminal, also with standard error redirected):\n";
    for (const char* line : kKeyHelp) text += "  " + std::string(line) + "\n";
    return text;
}

}  // namespace qarvel_cli
