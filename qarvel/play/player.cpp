#include "qarvel/play/player.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <thread>

#include "qarvel/qarvel_common.h"

namespace qarvel_cli {
namespace {

constexpr int kKeyWaitMs = 20;
constexpr auto kRedrawEvery = std::chrono::milliseconds(100);
// Decoded ahead of the device: enough to ride out a busy machine, short enough that a pause
// or a key is heard at once.
constexpr double kRingSeconds = 0.3;
// What the device and the sound server still hold when the ring runs dry at the very end.
constexpr auto kDeviceDrain = std::chrono::milliseconds(300);

size_t ring_frames(int32_t rate) {
    const double frames = std::clamp<double>(rate, 8000.0, 1000000.0) * kRingSeconds;
    return static_cast<size_t>(frames);
}

std::string tag(const standin::TrackReport& report, const std::string& key) {
    for (const auto& [name, value] : report.tags()) {
        if (name == key) return value;
    }
    return "";
}

size_t terminal_width() {
    winsize size{};
    if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
    return 80;
}

}  // namespace

Player::Player(standin::PluginLibrary& plugin, PlayerSetup setup)
    : plugin_(plugin), setup_(std::move(setup)), feed_(ring_frames(setup_.settings.rate)) {
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
    if (setup_.screen) {
        painter_.print_above(line);
    } else {
        std::fprintf(stderr, "%s\n", line.c_str());
    }
}

uint64_t Player::heard_frame() const {
    const uint64_t heard = start_frame_ + feed_.frames_played.load(std::memory_order_relaxed);
    // A seek past the end of the song ends it there.
    if (feeder_ && feed_.source_done.load(std::memory_order_acquire)) {
        return std::min(heard, feeder_->decoded_frames());
    }
    return heard;
}

void Player::stop_feeding() {
    if (output_) output_->set_paused(true);
    device_running_ = false;
    feeder_.reset();
}

bool Player::start_at(uint64_t frame) {
    stop_feeding();
    feed_.restart();
    plugin_.load_settings(setup_.settings.records());
    SongInput input(path_);
    std::string error;
    qarvel::HostFile* file = input.file(&error);
    standin::OpenedSong song;
    const uint32_t flags = qarvel::OPEN_INFO | qarvel::OPEN_DECODE |
                           (setup_.settings.loop ? 0u : qarvel::OPEN_NO_LOOP);
    if (file == nullptr || !standin::open_song(plugin_, *file, name_, flags, song, &error)) {
        say(place_ + name_ + ": " + error);
        return false;
    }
    report_ = song.report;
    start_frame_ = frame;
    feeder_ =
        std::make_unique<SongFeeder>(std::move(song), frame, setup_.seconds.value_or(0.0), feed_);
    return true;
}

bool Player::start_device() {
    const uint32_t rate = feeder_->sample_rate();
    if (!output_ || output_->rate() != rate) {
        output_.reset();
        output_ = AudioOutput::open(setup_.device, rate, feed_, &device_error_);
        if (!output_) return false;
    }
    rate_ = rate;
    if (!paused_) output_->set_paused(false);
    device_running_ = true;
    return true;
}

std::optional<Player::SongEnd> Player::act_on(PlayerKey key) {
    // The device stops first, so that the place read is the last frame it was given.
    const auto reopen_at_heard = [&](double seconds_later) {
        if (output_) output_->set_paused(true);
        const double target = static_cast<double>(heard_frame()) + seconds_later * rate_;
        start_at(static_cast<uint64_t>(std::max(0.0, target)));
    };
    switch (key) {
        case PlayerKey::pause:
            paused_ = !paused_;
            if (device_running_) output_->set_paused(paused_);
            break;
        case PlayerKey::back_short:
            reopen_at_heard(-10);
            break;
        case PlayerKey::forward_short:
            reopen_at_heard(10);
            break;
        case PlayerKey::back_long:
            reopen_at_heard(-60);
            break;
        case PlayerKey::forward_long:
            reopen_at_heard(60);
            break;
        case PlayerKey::next_song:
            return SongEnd::next;
        case PlayerKey::previous_song:
            return SongEnd::previous;
        case PlayerKey::toggle_loop:
            setup_.settings.loop = !setup_.settings.loop;
            reopen_at_heard(0);
            break;
        case PlayerKey::volume_up:
        case PlayerKey::volume_down:
            setup_.settings.step_volume(key == PlayerKey::volume_up ? 1 : -1);
            reopen_at_heard(0);
            break;
        case PlayerKey::quit:
            return SongEnd::quit;
    }
    if (!feeder_) return SongEnd::refused;
    return std::nullopt;
}

void Player::draw(const Playlist& playlist, bool force) {
    if (!setup_.screen) return;
    const auto now = std::chrono::steady_clock::now();
    if (!force && now - last_draw_ < kRedrawEvery) return;
    last_draw_ = now;
    PlayerView view;
    view.position = playlist.position() + 1;
    view.count = playlist.size();
    view.name = name_;
    view.title = tag(report_, "TITLE");
    view.artist = tag(report_, "ARTIST");
    view.tracker = tag(report_, "TRACKER_NAME");
    view.elapsed_seconds = rate_ ? static_cast<double>(heard_frame()) / rate_ : 0.0;
    view.length_seconds = report_.length_seconds();
    view.settings = setup_.settings.text();
    const bool sounding = device_running_ && !paused_;
    view.peak_left = sounding ? feed_.peak_left.load(std::memory_order_relaxed) : 0.0f;
    view.peak_right = sounding ? feed_.peak_right.load(std::memory_order_relaxed) : 0.0f;
    view.underruns = feed_.underruns.load(std::memory_order_relaxed);
    if (stopped_) {
        view.state = "stopped";
    } else if (feeder_ && feeder_->skipping()) {
        view.state = "seeking to " + clock_text(rate_ ? double(start_frame_) / rate_ : 0.0) +
                     " (decoding forward) ...";
    } else if (paused_) {
        view.state = "paused";
    } else if (!device_running_) {
        view.state = "starting ...";
    } else {
        view.state = "playing";
    }
    painter_.draw(player_screen_lines(view, terminal_width()));
}

Player::SongEnd Player::play(const Playlist& playlist) {
    path_ = playlist.current();
    place_ = std::to_string(playlist.position() + 1) + "/" + std::to_string(playlist.size()) + " ";
    stopped_ = false;
    name_ = SongInput(path_).name();
    rate_ = static_cast<uint32_t>(std::max(setup_.settings.rate, 1));
    if (!start_at(0)) return SongEnd::refused;
    const uint32_t underruns_before = feed_.underruns.load();
    std::optional<SongEnd> end;
    while (!end) {
        if (stop_requested()) {
            end = SongEnd::quit;
            break;
        }
        const std::string typed = terminal_ ? terminal_->read_available(kKeyWaitMs) : std::string();
        if (!terminal_) std::this_thread::sleep_for(std::chrono::milliseconds(kKeyWaitMs));
        for (PlayerKey key : keys_.feed(typed)) {
            end = act_on(key);
            if (end) break;
        }
        if (end) break;
        if (!device_running_ && feeder_->primed()) {
            if (feeder_->sample_rate() == 0) {
                end = feeder_->failed() ? SongEnd::failed : SongEnd::finished;
                break;
            }
            if (!start_device()) {
                end = SongEnd::no_device;
                break;
            }
        }
        const bool drained =
            feed_.source_done.load(std::memory_order_acquire) && feed_.ring.readable_frames() == 0;
        if (device_running_ && drained) {
            end = feeder_->failed() ? SongEnd::failed : SongEnd::finished;
        }
        draw(playlist, false);
    }
    const double heard = rate_ ? static_cast<double>(heard_frame()) / rate_ : 0.0;
    const uint32_t underruns = feed_.underruns.load() - underruns_before;
    if (*end == SongEnd::finished) std::this_thread::sleep_for(kDeviceDrain);
    stopped_ = true;
    draw(playlist, true);
    stop_feeding();

    std::string line = place_ + name_ + ": ";
    const std::string title = tag(report_, "TITLE");
    const std::string artist = tag(report_, "ARTIST");
    if (!title.empty()) line += "\"" + title + "\" ";
    if (!artist.empty()) line += "by " + artist + ", ";
    line += "played " + clock_text(heard) + " of " + clock_text(report_.length_seconds()) + ", " +
            std::to_string(underruns) + " underruns";
    if (*end == SongEnd::failed) line += ", stopped by a render error";
    if (*end == SongEnd::no_device) {
        print_error("cannot open the audio device: " + device_error_);
    } else {
        say(line);
    }
    return *end;
}

int Player::run(Playlist& playlist) {
    bool any_failed = false;
    size_t refused_in_a_row = 0;
    for (;;) {
        const SongEnd end = play(playlist);
        if (end == SongEnd::refused || end == SongEnd::failed) any_failed = true;
        refused_in_a_row = end == SongEnd::refused ? refused_in_a_row + 1 : 0;
        if (end == SongEnd::quit) break;
        if (end == SongEnd::no_device) return kExitFailed;
        if (refused_in_a_row >= playlist.size()) break;
        if (end == SongEnd::previous) {
            playlist.go_back();
        } else if (!playlist.advance()) {
            break;
        }
    }
    if (stop_requested()) return 128 + stop_signal();
    return any_failed ? kExitFailed : kExitOk;
}

}  // namespace qarvel_cli
