#pragma once
// The player: goes through a playlist, each song opened by the plug-in as the host opens it
// and decoded by a feeder thread into the ring that the audio device drains. Keys pause,
// seek, skip and change settings; a seek or a change re-opens the song and decodes forward to
// the place, silently, since the decoder can neither seek nor take settings while it plays.
//
// Limits and choices:
// - Gapless: once a song's last frame is in the ring, the next song of the list is opened and
//   its feeder writes on behind it, while the device plays on; the screen and the song's line
//   move on when the device reaches the next song's first frame. A refused song on the way is
//   reported then, in the list's order.
// - The device is opened once, at the rate the settings name, and kept for the run.
// - Positions count frames heard from the song's start; a seek is relative to what is heard,
//   not to what the feeder has decoded ahead.
// - n and p skip refused songs in their own direction; p with no playable song before the
//   one heard starts that one again.
// - A song that keeps being refused on a repeating list does not spin: once every song of
//   the list was refused in a row, the run ends.

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

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
    double start_seconds = 0.0;     // each song starts here (--start)
    std::optional<double> seconds;  // each song stops after this much (--seconds)
    std::string device;             // "" for the default device
    bool screen = false;            // redraw a screen on standard error
    bool keys = false;              // read keys from the controlling terminal
};

class Player {
  public:
    // The sound library's audio subsystem must be started (AudioSystem) for the player's life.
    Player(standin::PluginLibrary& plugin, PlayerSetup setup);
    ~Player();

    // Plays the list; returns the exit status.
    int run(Playlist& playlist);

  private:
    // A song of the list, opened, and where its frames sit in the ring.
    struct Song {
        size_t position = 0;
        std::string name;
        standin::TrackReport report;
        uint64_t start_frame = 0;  // the song's frame its feeder began at
        uint64_t stream_at = 0;    // the ring's frame count at that frame
        uint64_t end_frame = 0;    // the song's end, once it is decoded
        bool decoded = false;
        bool failed = false;
        uint32_t underruns_at = 0;  // the feed's counters when it began to be heard
        uint64_t clipped_at = 0;
    };
    enum class Direction { forward, backward };

    // The first song the plug-in takes, trying `candidate` and on in `direction`, its feeder
    // started at the song's start; the refused ones' lines go to `skipped`.
    std::optional<Song> open_first(std::optional<size_t> candidate, Direction direction,
                                   std::vector<std::string>* skipped);
    // Opens the song at `position` and starts its feeder at `frame`.
    bool open_song(size_t position, uint64_t frame, Song* song, std::string* error);
    // Goes to the first song the plug-in takes from `candidate` on, afresh; false for none.
    bool jump(std::optional<size_t> candidate, Direction direction);
    // Re-opens the song heard at `frame` (a seek or a changed setting).
    void reopen_at(uint64_t frame);
    // Stops the device and the feeder and forgets the song queued behind the one heard.
    void stop_feeding();
    // Notes where the feeder's song ended, once it did.
    void note_decoded(Song& song);
    // Queues the next song behind the one heard once that one is decoded.
    void look_ahead();
    // The device reached the queued song's first frame: it is the one heard now.
    void move_on();
    // Says what was heard of the song heard (`heard` frames, taken before a stop).
    void say_played(uint64_t heard);
    // Says the lines of refused songs (and counts them for the exit status).
    void say_refused(std::vector<std::string>& lines);
    // Handles one key; false when the run ends.
    bool act_on(PlayerKey key);
    bool start_device();
    uint64_t heard_frame() const;
    uint64_t frames_at(double seconds) const;
    // "2/7 ": the place of a song in the list, as its lines start.
    std::string place(size_t position) const;
    void draw(bool force);
    void say(const std::string& line);

    standin::PluginLibrary& plugin_;
    PlayerSetup setup_;
    uint32_t rate_;
    PlaybackFeed feed_;
    Playlist* playlist_ = nullptr;
    std::unique_ptr<AudioOutput> output_;
    std::unique_ptr<SongFeeder> feeder_;  // of next_ when there is one, else of current_
    std::unique_ptr<TerminalSession> terminal_;
    KeyDecoder keys_;
    ScreenPainter painter_;
    std::chrono::steady_clock::time_point last_draw_{};
    std::chrono::steady_clock::time_point clip_shown_until_{};
    std::optional<std::chrono::steady_clock::time_point> resized_at_;  // redraw pending
    uint64_t clipped_seen_ = 0;

    Song current_;                            // the song heard
    std::optional<Song> next_;                // the song queued behind it
    std::vector<std::string> refused_ahead_;  // refused on the way there, said at its start
    bool device_running_ = false;
    bool paused_ = false;
    bool stopped_ = false;  // the run is over; the screen shows its last state
    bool keys_shown_ = false;
    bool any_failed_ = false;
    std::string device_error_;
};

}  // namespace qarvel_cli
