#include "qarvel/play/player.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <thread>

#include "qarvel/qarvel_common.h"

namespace qarvel_cli {
namespace {

// How long the main loop waits for a key: shorter until the device starts, so that the first
// sound is not kept waiting.
constexpr int kKeyWaitMs = 20;
constexpr int kStartingWaitMs = 2;
constexpr auto kRedrawEvery = std::chrono::milliseconds(100);
// The clip mark stays this long after the output last went beyond full scale.
constexpr auto kClipShownFor = std::chrono::seconds(2);
// The screen is drawn again once the terminal's size has not changed for this long (a window
// dragged wider sends many changes).
constexpr auto kResizeSettles = std::chrono::milliseconds(150);
// Decoded ahead of the device: enough to ride out a busy machine and to open the next song
// before the last one's frames run out, short enough that a pause or a key is heard at once.
constexpr double kRingSeconds = 0.3;
// What the device and the sound server still hold when the ring runs dry at the very end.
constexpr auto kDeviceDrain = std::chrono::milliseconds(300);

size_t ring_frames(uint32_t rate) {
    return static_cast<size_t>(std::clamp<double>(rate, 8000.0, 1000000.0) * kRingSeconds);
}

std::string tag(const standin::TrackReport& report, const std::string& key) {
    for (const auto& [name, value] : report.tags()) {
        if (name == key) return value;
    }
    return "";
}

winsize terminal_size() {
    winsize size{};
    if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) != 0 || size.ws_col == 0 || size.ws_row == 0) {
        size.ws_col = 80;
        size.ws_row = 24;
    }
    return size;
}

size_t terminal_width() {
    return terminal_size().ws_col;
}

}  // namespace

Player::Player(standin::PluginLibrary& plugin, PlayerSetup setup)
    : plugin_(plugin),
      setup_(std::move(setup)),
      rate_(setup_.settings.output_rate()),
      feed_(ring_frames(rate_)) {
    install_stop_signals();
    if (setup_.screen || setup_.keys) {
        terminal_ = std::make_unique<TerminalSession>(setup_.keys, setup_.screen);
    }
}

Player::~Player() {
    stop_feeding();
    output_.reset();
    if (setup_.screen) painter_.finish();
}

void Player::say(const std::string& line) {
    // Every line on standard error is qarvel's, and says so, above the screen as without it.
    const std::string message = "qarvel: " + printable(line);
    if (setup_.screen) {
        painter_.print_above(message, terminal_width());
    } else {
        std::fprintf(stderr, "%s\n", message.c_str());
    }
}

void Player::say_refused(std::vector<std::string>& lines) {
    for (const std::string& line : lines) say(line);
    any_failed_ = any_failed_ || !lines.empty();
    lines.clear();
}

std::string Player::place(size_t position) const {
    return std::to_string(position + 1) + "/" + std::to_string(playlist_->size()) + " ";
}

uint64_t Player::frames_at(double seconds) const {
    return static_cast<uint64_t>(std::max<int64_t>(0, std::llround(seconds * rate_)));
}

uint64_t Player::heard_frame() const {
    const uint64_t heard = current_.start_frame + (feed_.ring.frames_read() - current_.stream_at);
    // A seek past the end of the song ends it there.
    if (current_.decoded) return std::min(heard, current_.end_frame);
    if (!next_ && feeder_ && feeder_->finished()) return std::min(heard, feeder_->decoded_frames());
    return heard;
}

void Player::stop_feeding() {
    if (output_) output_->set_paused(true);
    device_running_ = false;
    feeder_.reset();
    next_.reset();
    refused_ahead_.clear();
}

bool Player::open_song(size_t position, uint64_t frame, Song* song, std::string* error) {
    plugin_.load_settings(setup_.settings.records());
    SongInput input(playlist_->at(position));
    song->position = position;
    song->name = input.name();
    qarvel::HostFile* file = input.file(error);
    standin::OpenedSong opened;
    const uint32_t flags = qarvel::OPEN_INFO | qarvel::OPEN_DECODE |
                           (setup_.settings.loop ? 0u : qarvel::OPEN_NO_LOOP);
    if (file == nullptr || !standin::open_song(plugin_, *file, song->name, flags, opened, error)) {
        return false;
    }
    song->report = opened.report;
    song->start_frame = frame;
    song->stream_at = feed_.ring.frames_written();
    const uint64_t end =
        setup_.seconds ? frames_at(setup_.start_seconds + *setup_.seconds) : SongFeeder::kNoEnd;
    feeder_ = std::make_unique<SongFeeder>(std::move(opened), rate_, frame, end, feed_);
    return true;
}

std::optional<Player::Song> Player::open_first(std::optional<size_t> candidate, Direction direction,
                                               std::vector<std::string>* refused) {
    for (size_t tried = 0; candidate && tried < playlist_->size(); ++tried) {
        Song song;
        std::string error;
        if (open_song(*candidate, frames_at(setup_.start_seconds), &song, &error)) {
            // As render refuses it: a start past the end of a song that does not loop.
            const double length = song.report.length_seconds();
            if (!start_past_song_end(setup_.start_seconds, length, setup_.settings.loop)) {
                return song;
            }
            feeder_.reset();
            error = "--start " + clock_text(setup_.start_seconds) + " is past the song's end (" +
                    clock_text(length) + ")";
        }
        refused->push_back(place(*candidate) + song.name + ": " + error);
        candidate = direction == Direction::forward ? playlist_->after(*candidate)
                                                    : playlist_->before(*candidate);
    }
    return std::nullopt;
}

bool Player::jump(std::optional<size_t> candidate, Direction direction) {
    stop_feeding();
    feed_.restart();
    std::vector<std::string> refused;
    std::optional<Song> song = open_first(candidate, direction, &refused);
    say_refused(refused);
    if (!song) return false;
    current_ = std::move(*song);
    current_.underruns_at = feed_.underruns.load();
    current_.clipped_at = feed_.clipped_samples.load();
    playlist_->move_to(current_.position);
    return true;
}

void Player::reopen_at(uint64_t frame) {
    stop_feeding();
    feed_.restart();
    Song song;
    std::string error;
    if (open_song(current_.position, frame, &song, &error)) {
        song.underruns_at = current_.underruns_at;
        song.clipped_at = current_.clipped_at;
        current_ = std::move(song);
        return;
    }
    // The file changed under the player: on to the next song.
    std::vector<std::string> refused = {place(current_.position) + song.name + ": " + error};
    say_refused(refused);
    if (!jump(playlist_->after(current_.position), Direction::forward)) stopped_ = true;
}

void Player::note_decoded(Song& song) {
    if (song.decoded || !feeder_ || !feeder_->finished()) return;
    song.decoded = true;
    song.end_frame = feeder_->decoded_frames();
    song.failed = feeder_->failed();
}

void Player::look_ahead() {
    if (next_ || feed_.source_done.load() || !feeder_ || !feeder_->finished()) return;
    note_decoded(current_);
    feeder_.reset();
    next_ = open_first(playlist_->after(current_.position), Direction::forward, &refused_ahead_);
    // Nothing follows: an empty ring is now the end.
    if (!next_) feed_.source_done.store(true, std::memory_order_release);
}

void Player::move_on() {
    say_played(current_.end_frame);
    say_refused(refused_ahead_);
    current_ = std::move(*next_);
    next_.reset();
    current_.underruns_at = feed_.underruns.load();
    current_.clipped_at = feed_.clipped_samples.load();
    playlist_->move_to(current_.position);
}

void Player::say_played(uint64_t heard) {
    std::string line = place(current_.position) + current_.name + ": ";
    const std::string title = tag(current_.report, "TITLE");
    const std::string artist = tag(current_.report, "ARTIST");
    if (!title.empty()) line += "\"" + title + "\" ";
    if (!artist.empty()) line += "by " + artist + ", ";
    line += "played " + clock_text(static_cast<double>(heard) / rate_) + " of " +
            clock_text(current_.report.length_seconds()) + ", " +
            std::to_string(feed_.underruns.load() - current_.underruns_at) + " underruns";
    const uint64_t clipped = feed_.clipped_samples.load() - current_.clipped_at;
    if (clipped != 0) line += ", " + std::to_string(clipped) + " samples clipped";
    if (current_.failed) line += ", stopped by a render error";
    any_failed_ = any_failed_ || current_.failed;
    say(line);
}

bool Player::start_device() {
    if (!output_) {
        output_ = AudioOutput::open(setup_.device, rate_, feed_, &device_error_);
        if (!output_) {
            print_error("cannot open the audio device: " + device_error_ + " (at " +
                        std::to_string(rate_) + " Hz)");
            return false;
        }
    }
    if (!paused_) output_->set_paused(false);
    device_running_ = true;
    return true;
}

bool Player::act_on(PlayerKey key) {
    // The device stops first, so that the place read is the last frame it was given.
    const auto heard_now = [&] {
        if (output_) output_->set_paused(true);
        return heard_frame();
    };
    const auto reopen_later = [&](double seconds) {
        const double target = static_cast<double>(heard_now()) + seconds * rate_;
        reopen_at(target > 0.0 ? static_cast<uint64_t>(target) : 0);
        return !stopped_;
    };
    switch (key) {
        case PlayerKey::pause:
            paused_ = !paused_;
            if (device_running_) output_->set_paused(paused_);
            return true;
        case PlayerKey::back_short:
            return reopen_later(-10);
        case PlayerKey::forward_short:
            return reopen_later(10);
        case PlayerKey::back_long:
            return reopen_later(-60);
        case PlayerKey::forward_long:
            return reopen_later(60);
        case PlayerKey::next_song:
            say_played(heard_now());
            return jump(playlist_->after(current_.position), Direction::forward);
        case PlayerKey::previous_song:
            say_played(heard_now());
            // With no playable song before this one, it starts again.
            return jump(playlist_->before(current_.position), Direction::backward) ||
                   jump(current_.position, Direction::forward);
        case PlayerKey::toggle_loop:
            setup_.settings.loop = !setup_.settings.loop;
            return reopen_later(0);
        case PlayerKey::volume_up:
        case PlayerKey::volume_down:
            setup_.settings.step_volume(key == PlayerKey::volume_up ? 1 : -1);
            return reopen_later(0);
        case PlayerKey::help:
            keys_shown_ = !keys_shown_;
            if (!setup_.screen && terminal_ && keys_shown_) {
                std::string text;
                for (const char* line : kKeyHelp) text += std::string(line) + "\r\n";
                terminal_->show(text);
            }
            draw(true);
            return true;
        case PlayerKey::quit:
            say_played(heard_now());
            return false;
    }
    return true;
}

void Player::draw(bool force) {
    if (!setup_.screen) return;
    const auto now = std::chrono::steady_clock::now();
    const uint64_t clipped = feed_.clipped_samples.load(std::memory_order_relaxed);
    if (clipped != clipped_seen_) {
        clipped_seen_ = clipped;
        clip_shown_until_ = now + kClipShownFor;
    }
    if (take_resize()) resized_at_ = now;
    if (resized_at_) {
        if (now - *resized_at_ < kResizeSettles) return;
        resized_at_.reset();
        painter_.start_afresh(terminal_size().ws_row);
        force = true;
    }
    if (!force && now - last_draw_ < kRedrawEvery) return;
    last_draw_ = now;
    PlayerView view;
    view.position = current_.position + 1;
    view.count = playlist_->size();
    view.name = current_.name;
    view.title = tag(current_.report, "TITLE");
    view.artist = tag(current_.report, "ARTIST");
    view.tracker = tag(current_.report, "TRACKER_NAME");
    view.elapsed_seconds = static_cast<double>(heard_frame()) / rate_;
    view.length_seconds = current_.report.length_seconds();
    view.settings = setup_.settings.text();
    view.loop = setup_.settings.loop;
    view.shuffle = playlist_->shuffled();
    view.repeat = playlist_->repeats();
    const bool sounding = device_running_ && !paused_ && !stopped_;
    view.peak_left = sounding ? feed_.peak_left.load(std::memory_order_relaxed) : 0.0f;
    view.peak_right = sounding ? feed_.peak_right.load(std::memory_order_relaxed) : 0.0f;
    view.clipping = now < clip_shown_until_;
    view.underruns = feed_.underruns.load(std::memory_order_relaxed);
    view.keys_shown = keys_shown_;
    if (stopped_) {
        view.state = "stopped";
    } else if (!next_ && feeder_ && feeder_->skipping()) {
        view.state = "seeking to " + clock_text(static_cast<double>(current_.start_frame) / rate_) +
                     " (decoding forward) ...";
    } else if (paused_) {
        view.state = "paused";
    } else if (!device_running_) {
        view.state = "starting ...";
    } else {
        view.state = "playing";
    }
    const size_t width = terminal_width();
    painter_.draw(player_screen_lines(view, width), width);
}

int Player::run(Playlist& playlist) {
    playlist_ = &playlist;
    const bool any_song = jump(playlist.position(), Direction::forward);
    bool playing = any_song;
    while (playing && !stopped_) {
        if (stop_requested()) {
            say_played(heard_frame());
            break;
        }
        if (next_ && feed_.ring.frames_read() >= next_->stream_at) move_on();
        const int wait = device_running_ ? kKeyWaitMs : kStartingWaitMs;
        const std::string typed = terminal_ ? terminal_->read_available(wait) : std::string();
        if (!terminal_) std::this_thread::sleep_for(std::chrono::milliseconds(wait));
        for (PlayerKey key : keys_.feed(typed)) {
            playing = act_on(key);
            if (!playing) break;
        }
        if (!playing || stopped_) break;
        if (!device_running_ && !next_ && feeder_ && feeder_->primed() && !start_device()) {
            return kExitFailed;
        }
        look_ahead();
        if (device_running_ && feed_.source_done.load(std::memory_order_acquire) &&
            feed_.ring.readable_frames() == 0) {
            std::this_thread::sleep_for(kDeviceDrain);
            note_decoded(current_);
            say_played(heard_frame());
            say_refused(refused_ahead_);
            break;
        }
        draw(false);
    }
    stopped_ = true;
    if (any_song) draw(true);
    stop_feeding();
    if (stop_requested()) return 128 + stop_signal();
    return any_failed_ ? kExitFailed : kExitOk;
}

}  // namespace qarvel_cli
