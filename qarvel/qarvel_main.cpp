// qarvel: the command line of the stand-in host. Loads a tarnwick plug-in edition through its
// public interface and inspects, renders and configures songs with it.

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <set>

#include "qarvel/about_command.h"
#include "qarvel/info_command.h"
#if QARVEL_HAS_PLAYER
#include "qarvel/play/implied_play.h"
#include "qarvel/play/play_command.h"
#endif
#include "qarvel/play/option_checks.h"
#include "qarvel/prefs_command.h"
#include "qarvel/qarvel_common.h"
#include "qarvel/render_command.h"

namespace {

using namespace qarvel_cli;

constexpr const char* kExitStatusText =
    "Exit status: 0 all good; 1 usage error; 2 some file was refused or failed (or the plug-in "
    "could not be loaded); 130 and 143 when ended by Ctrl-C or SIGTERM.";

// Page texts and setting values the options take.
const std::map<std::string, int32_t> kModes = {{"nearest", 0}, {"linear", 1}, {"cubic", 2}};
const std::map<std::string, int32_t> kRamps = {{"off", 0}, {"light", 3000}, {"heavy", 8000}};
const std::map<std::string, AudioFormat> kFormats = {
    {"wav", AudioFormat::wav}, {"flac", AudioFormat::flac}, {"f32", AudioFormat::f32}};

#if QARVEL_HAS_PLAYER
const std::set<std::string> kCommands = {"info", "render", "play", "prefs", "about"};
#else
const std::set<std::string> kCommands = {"info", "render", "prefs", "about"};
#endif

// The global options that take no value, and those that take one.
const std::set<std::string> kGlobalFlags = {"-q", "--quiet", "-v", "--verbose", "--version"};
const std::set<std::string> kGlobalWithValue = {"--edition", "--plugin", "--config"};

std::string command_list() {
    std::string text;
    for (const std::string& c : kCommands) text += (text.empty() ? "" : ", ") + c;
    return text;
}

// The first word that is not an option (nor a global option's value), or "".
std::string first_word(const std::vector<std::string>& args) {
    for (size_t i = 0; i < args.size(); ++i) {
        if (kGlobalWithValue.count(args[i]) != 0) {
            ++i;
        } else if (args[i] == "--") {
            return i + 1 < args.size() ? args[i + 1] : "";
        } else if (args[i].empty() || args[i][0] != '-') {
            return args[i];
        }
    }
    return "";
}

// The time options take: seconds, M:SS or H:MM:SS.
const CLI::Validator kTime(
    [](std::string& text) {
        return parse_time(text) ? std::string() : "not a time (SECONDS, M:SS or H:MM:SS): " + text;
    },
    "TIME");

int print_version(const HostChoice& host) {
    std::printf("qarvel %s\n", QARVEL_VERSION);
    std::fflush(stdout);
    std::unique_ptr<standin::PluginLibrary> plugin = load_plugin(host);
    if (!plugin) return kExitFailed;
    std::printf("plug-in: %s (%s)\n", plugin_version_text(*plugin).c_str(), plugin->path().c_str());
    return kExitOk;
}

int run(int argc, char** argv) {
    CLI::App app{"qarvel: the stand-in host for the tarnwick DMF decoder plug-in", "qarvel"};
    app.footer(kExitStatusText);
    app.require_subcommand(0, 1);
    app.fallthrough();
    // "/songs/a.dmf" is a path on every platform, never a Windows-style option (subcommands
    // inherit this).
    app.allow_windows_style_options(false);
    app.failure_message([](const CLI::App*, const CLI::Error& e) {
        return "qarvel: " + std::string(e.what()) + " (--help lists the options)\n";
    });

    bool show_version = false;
    app.add_flag("--version", show_version, "Print qarvel's version and the plug-in's");
    bool be_quiet = false;
    bool be_verbose = false;
    auto* quiet_flag =
        app.add_flag("-q,--quiet", be_quiet, "Say only what went wrong on standard error");
    app.add_flag("-v,--verbose", be_verbose,
                 "Also say which plug-in and settings were used, and how each render went")
        ->excludes(quiet_flag);

    HostChoice host;
    auto* edition = app.add_option("--edition", host.edition, "Plug-in edition to load")
                        ->check(CLI::IsMember({"vanilla", "sse"}));
    app.add_option("--plugin", host.plugin_path, "Plug-in library to load")->excludes(edition);
    app.add_option("--config", host.settings_path,
                   "Settings file (default $XDG_CONFIG_HOME/qarvel/tarnwick.settings)");

    InfoOptions info;
    CLI::App* info_command = app.add_subcommand(
        "info", "Print each song's length, tags and technical fields (no FILE: the demo song)");
    info_command->add_option("FILE", info.files, "DMF files");
    info_command->add_flag("--json", info.json, "One JSON object per file, one per line");

    RenderOptions render;
    std::optional<std::string> format_name;
    std::optional<std::string> start_text;
    std::optional<std::string> mode_name;
    std::optional<std::string> ramp_name;
    std::optional<double> volume;
    std::optional<int64_t> rate;
    CLI::App* render_command = app.add_subcommand(
        "render", "Render songs to audio files (no FILE: the embedded demo song)");
    render_command->add_option("FILE", render.files, "DMF files, and folders of them");
    auto* output = render_command->add_option("-o,--output", render.output,
                                              "Output file for one song; - for standard output");
    render_command
        ->add_option("--out-dir", render.out_dir, "Folder for the outputs (created when missing)")
        ->excludes(output);
    render_command
        ->add_option("--format", format_name,
                     flac_available()
                         ? "wav (32-bit float), flac or f32 (raw); default: the -o name's "
                           "extension, else wav"
                         : "wav (32-bit float) or f32 (raw); default: the -o name's extension, "
                           "else wav; flac only in builds with libsndfile")
        ->check(CLI::IsMember({"wav", "flac", "f32"}));
    render_command->add_flag("--pcm16", render.pcm16,
                             "16-bit WAV or FLAC (clips, and reports the samples clipped)");
    render_command->add_option("--rate", rate, "Output sample rate in Hz")
        ->check(CLI::Range(int64_t{1}, int64_t{1000000}));
    render_command->add_option("--mode", mode_name, "Resampling: nearest, linear or cubic")
        ->check(CLI::IsMember({"nearest", "linear", "cubic"}));
    render_command->add_option("--volume", volume, "Mixing volume as the page shows it (0.25)")
        ->check(page_volume_check());
    render_command->add_option("--ramp", ramp_name, "Volume ramping: off, light or heavy")
        ->check(CLI::IsMember({"off", "light", "heavy"}));
    auto* seconds =
        render_command
            ->add_option("--seconds", render.seconds, "Stop after this many seconds of audio")
            ->check(CLI::PositiveNumber);
    render_command->add_flag("--loop", render.loop, "Loop the song (needs --seconds)")
        ->needs(seconds);
    render_command
        ->add_option("--start", start_text, "Begin this far into the song (decoding forward)")
        ->check(kTime);
    render_command->add_flag("--force", render.force, "Overwrite existing outputs");
    render_command->add_option("-j,--jobs", render.jobs, "Render N files at once")
        ->check(CLI::Range(1u, 256u));

    PrefsOptions prefs;
    CLI::App* prefs_command =
        app.add_subcommand("prefs", "Show or change the plug-in's preferences through its page");
    CLI::App* prefs_show = prefs_command->add_subcommand("show", "Show the page as text");
    CLI::App* prefs_set = prefs_command->add_subcommand(
        "set", "Act on the page: KEY is srate, rsmode, vol, ramplen or loop");
    prefs_set->add_option("KEY", prefs.key)
        ->required()
        ->check(CLI::IsMember({"srate", "rsmode", "vol", "ramplen", "loop"}));
    prefs_set
        ->add_option("VALUE", prefs.value,
                     "An entry's text (\"44100\", \"Cubic test\", \"Heavy\"), the volume as "
                     "typed (\"0.3\"), or on/off")
        ->required();
    CLI::App* prefs_slide = prefs_command->add_subcommand("slide", "Drag the volume trackbar");
    prefs_slide->add_option("KEY", prefs.key)->required()->check(CLI::IsMember({"vol"}));
    prefs_slide->add_option("N", prefs.slide_position)->required();
    CLI::App* prefs_reset = prefs_command->add_subcommand("reset", "Forget the stored settings");
    prefs_command->require_subcommand(0, 1);
#if defined(_WIN32)
    prefs_command->add_option("--screenshot", prefs.screenshot,
                              "Show the preferences window, write a PNG picture of it, close it");
#endif

    CLI::App* about_command = app.add_subcommand("about", "Name, version and about text");

#if QARVEL_HAS_PLAYER
    PlayOptions play;
    std::optional<std::string> play_mode;
    std::optional<std::string> play_ramp;
    std::optional<std::string> play_start;
    CLI::App* play_command = app.add_subcommand(
        "play",
        "Play songs and folders of songs through the sound system (no FILE: the demo "
        "song); `qarvel FILE...` does the same");
    play_command->footer(play_keys_text());
    play_command->add_option("FILE", play.inputs, "DMF files, and folders of them");
    play_command->add_option("--rate", play.rate, "Output sample rate in Hz")
        ->check(device_rate_check());
    play_command->add_option("--mode", play_mode, "Resampling: nearest, linear or cubic")
        ->check(CLI::IsMember({"nearest", "linear", "cubic"}));
    play_command->add_option("--volume", play.volume, "Mixing volume as the page shows it (0.25)")
        ->check(page_volume_check());
    play_command->add_option("--ramp", play_ramp, "Volume ramping: off, light or heavy")
        ->check(CLI::IsMember({"off", "light", "heavy"}));
    play_command->add_flag("--loop", play.loop, "Loop each song (until --seconds, n or q)");
    play_command->add_option("--start", play_start, "Start each song at TIME (decoding forward)")
        ->check(kTime);
    play_command
        ->add_option("--seconds", play.seconds,
                     "Stop each song after this many seconds (from --start)")
        ->check(CLI::PositiveNumber);
    play_command->add_option("--device", play.device, "Output device (see --list-devices)");
    play_command->add_flag("--list-devices", play.list_devices, "List the output devices");
    play_command->add_flag("--shuffle", play.shuffle, "Play the list in a random order");
    play_command->add_flag("--repeat", play.repeat, "Start the list again after its last song");
#endif

    std::vector<std::string> args(argv + 1, argv + argc);
#if QARVEL_HAS_PLAYER
    // `qarvel song.dmf` plays, as media players do. The global flags before the first word are
    // set aside meanwhile (the implied command goes after them) and put back in front.
    std::vector<std::string> flags;
    std::vector<std::string> rest;
    bool word_seen = false;
    for (size_t i = 0; i < args.size(); ++i) {
        if (!word_seen && kGlobalFlags.count(args[i]) != 0) {
            flags.push_back(args[i]);
            continue;
        }
        if (kGlobalWithValue.count(args[i]) != 0 && i + 1 < args.size()) {
            rest.push_back(args[i++]);
        } else {
            word_seen = word_seen || args[i].empty() || args[i][0] != '-';
        }
        rest.push_back(args[i]);
    }
    args = flags;
    for (std::string& a : with_implied_play(rest)) args.push_back(std::move(a));
#endif
    const std::string word = first_word(args);
    if (!word.empty() && kCommands.count(word) == 0) {
        print_error("unknown command \"" + word + "\" (the commands are " + command_list() +
                    "; qarvel --help says more)");
        return kExitUsage;
    }
    std::reverse(args.begin(), args.end());  // CLI11 takes a vector last argument first
    try {
        app.parse(args);
    } catch (const CLI::ParseError& e) {
        const int code = app.exit(e);
        return code == 0 ? kExitOk : kExitUsage;
    }
    set_verbosity(be_quiet     ? Verbosity::quiet
                  : be_verbose ? Verbosity::verbose
                               : Verbosity::normal);

    if (show_version) return print_version(host);
    if (app.get_subcommands().empty()) {
        print_error("a command is needed: " + command_list() + " (qarvel --help says more)");
        return kExitUsage;
    }
    if (*info_command) return run_info(host, info);
    if (*render_command) {
        if (format_name) render.format = kFormats.at(*format_name);
        if (start_text) render.start = parse_time(*start_text);
        if (mode_name) render.mode = kModes.at(*mode_name);
        if (ramp_name) render.ramp_length = kRamps.at(*ramp_name);
        if (rate) render.rate = static_cast<int32_t>(*rate);
        render.volume = volume;
        return run_render(host, render);
    }
    if (*prefs_command) {
        if (*prefs_set) prefs.action = PrefsOptions::Action::set;
        if (*prefs_slide) prefs.action = PrefsOptions::Action::slide;
        if (*prefs_reset) prefs.action = PrefsOptions::Action::reset;
        (void)prefs_show;
#if defined(_WIN32)
        // Windows: the page in the host's own preferences window, shown until closed.
        prefs.window = prefs_command->get_subcommands().empty();
#endif
        return run_prefs(host, prefs);
    }
    if (*about_command) return run_about(host);
#if QARVEL_HAS_PLAYER
    if (*play_command) {
        if (play_mode) play.mode = kModes.at(*play_mode);
        if (play_ramp) play.ramp_length = kRamps.at(*play_ramp);
        if (play_start) play.start = parse_time(*play_start).value_or(0.0);
        return run_play(host, play);
    }
#endif
    return kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return run(argc, argv);
    } catch (const std::exception& e) {
        qarvel_cli::print_error(e.what());
        return qarvel_cli::kExitFailed;
    }
}
