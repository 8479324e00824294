#pragma once
// Live audio output through SDL2, which reaches PipeWire, PulseAudio and plain ALSA (whichever
// the machine has; SDL_AUDIODRIVER picks one). The device pulls 32-bit float stereo frames
// from a PlaybackFeed on SDL's own audio thread.
//
// Limits and choices:
// - The callback only copies out of the feed (copy_out_of_feed): the feeder thread does all
//   decoding, so the audio thread never waits on the plug-in.
// - A device that wants another format gets SDL's conversion; the frames the feed holds are
//   what the plug-in delivered, narrowed to float.
// - While paused, the library feeds the device silence and the callback is not called; once
//   set_paused(true) returns, the callback is not running.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "qarvel/play/playback_feed.h"

namespace qarvel_cli {

// The library's audio subsystem, started for the life of the object.
class AudioSystem {
  public:
    // Null with the library's reason when no audio driver can be started.
    static std::unique_ptr<AudioSystem> start(std::string* error);
    AudioSystem(const AudioSystem&) = delete;
    AudioSystem& operator=(const AudioSystem&) = delete;
    ~AudioSystem();

    // The driver in use ("pulseaudio", "pipewire", "alsa", ...).
    std::string driver() const;
    // The names of the output devices the driver offers.
    std::vector<std::string> device_names() const;

  private:
    AudioSystem() = default;
};

class AudioOutput {
  public:
    // Opens `device` ("" for the default) at `rate`, paused. Null with the library's reason.
    static std::unique_ptr<AudioOutput> open(const std::string& device, uint32_t rate,
                                             PlaybackFeed& feed, std::string* error);
    AudioOutput(const AudioOutput&) = delete;
    AudioOutput& operator=(const AudioOutput&) = delete;
    ~AudioOutput();

    uint32_t rate() const { return rate_; }
    void set_paused(bool paused);

  private:
    AudioOutput(uint32_t device, uint32_t rate) : device_(device), rate_(rate) {}
    uint32_t device_;
    uint32_t rate_;
};

}  // namespace qarvel_cli
