#pragma once
// The player: goes through a playlist, each song opened by the plug-in as the host opens it
// and decoded by a feeder thread into the ring that the audio device drains. Keys pause,
// seek, skip and change settings; a seek or a change re-opens the song and decodes forward to
// the place, silently, since the decoder can neither seek nor take settings while it plays.
//
// Limits and choices:
// - The device is opened at the rate of the first block delivered and kept for the run
//   (opened again only if a song comes at another rate).
// - Positions count frames heard from the song's start; a seek is relative to what is heard,
//   not to what the feeder has decoded ahead.
// - A song that keeps being refused on a repeating list does not spin: once every song of
//   the list was refused in a row, the run ends.

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "host/plugin_library.h"
#include "qarvel/play/audio_output.h"
#include "qarvel/play/play_settings.h"
#include "qarvel/play/player_keys.h"
#include "qarvel/play/player_screen.h"
#include "qarvel/play/playlist.h"
#include "qarvel/play/song_feeder.h"
#include "qarvel/play/terminal_session.h"

namespace qarvel_cli {

struct PlayerSetup {
    PlaySettings settings;
    std::optional<double> seconds;  // each song stops after this much
    std::string device;             // "" for the default device
    bool screen = false;            // redraw a screen on standard error
    bool keys = false;              // read keys from standard input
};

class Player {
  public:
    // The sound library's audio subsystem must be started (AudioSystem) for the player's life.
    Player(standin::PluginLibrary& plugin, PlayerSetup setup);
    ~Player();

    // Plays the list; returns the exit status.
    int run(Playlist& playlist);

  private:
    enum class SongEnd { finished, next, previous, quit, refused, failed, no_device };
    SongEnd play(const Playlist& playlist);
    // (Re)opens the current song and starts a feeder at `frame`; false after printing why.
    bool start_at(uint64_t frame);
    void stop_feeding();
    std::optional<SongEnd> act_on(PlayerKey key);
    bool start_device();
    uint64_t heard_frame() const;
    void draw(const Playlist& playlist, bool force);
    void say(const std::string& line);

    standin::PluginLibrary& plugin_;
    PlayerSetup setup_;
    PlaybackFeed feed_;
    std::unique_ptr<AudioOutput> output_;
    std::unique_ptr<SongFeeder> feeder_;
    std::unique_ptr<TerminalSession> terminal_;
    KeyDecoder keys_;
    ScreenPainter painter_;
    std::chrono::steady_clock::time_point last_draw_{};

    // The song playing.
    std::string path_;
    std::string place_;  // "2/7 "
    std::string name_;
    standin::TrackReport report_;
    uint32_t rate_ = 0;         // frames per second of its positions
    uint64_t start_frame_ = 0;  // where the feeder started
    bool device_running_ = false;
    bool paused_ = false;
    bool stopped_ = false;  // the song is over; the screen shows its last state
    std::string device_error_;
};

}  // namespace qarvel_cli
