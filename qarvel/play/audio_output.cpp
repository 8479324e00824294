#include "qarvel/play/audio_output.h"

#include <SDL.h>
#if QARVEL_QUIET_ALSA
#include <alsa/asoundlib.h>
#endif

#include <algorithm>
#include <bit>

namespace qarvel_cli {
namespace {

void pull_frames(void* user, Uint8* stream, int bytes) {
    const size_t frames = static_cast<size_t>(bytes) / (SampleRing::kChannels * sizeof(float));
    copy_out_of_feed(*static_cast<PlaybackFeed*>(user), reinterpret_cast<float*>(stream), frames);
}

// About 90 ms per device period (the sound server's buffer is about one period): a pause or a
// key is still heard at once, and a busy machine may wake the audio thread late without the
// server running dry.
Uint16 period_frames(uint32_t rate) {
    return static_cast<Uint16>(std::clamp<uint32_t>(std::bit_floor(rate / 10 + 1), 512, 16384));
}

#if QARVEL_QUIET_ALSA
void ignore_alsa_message(const char*, int, const char*, int, const char*, ...) {}
#endif

}  // namespace

std::unique_ptr<AudioSystem> AudioSystem::start(std::string* error) {
#if QARVEL_QUIET_ALSA
    // The library SDL2 loads for ALSA is this same libasound: its messages stay quiet.
    snd_lib_error_set_handler(ignore_alsa_message);
#endif
    // The player handles its own signals; the stream shows up under the player's name.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_SetHint(SDL_HINT_AUDIO_DEVICE_APP_NAME, "qarvel");
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        *error = SDL_GetError();
        return nullptr;
    }
    return std::unique_ptr<AudioSystem>(new AudioSystem());
}

AudioSystem::~AudioSystem() {
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    SDL_Quit();
}

std::string AudioSystem::driver() const {
    const char* name = SDL_GetCurrentAudioDriver();
    return name != nullptr ? name : "";
}

std::vector<std::string> AudioSystem::device_names() const {
    std::vector<std::string> names;
    const int count = SDL_GetNumAudioDevices(0);
    for (int i = 0; i < count; ++i) {
        const char* name = SDL_GetAudioDeviceName(i, 0);
        if (name != nullptr) names.emplace_back(name);
    }
    return names;
}

std::unique_ptr<AudioOutput> AudioOutput::open(const std::string& device, uint32_t rate,
                                               PlaybackFeed& feed, std::string* error) {
    SDL_AudioSpec wanted{};
    wanted.freq = static_cast<int>(std::min<uint32_t>(rate, INT32_MAX));
    wanted.format = AUDIO_F32SYS;
    wanted.channels = SampleRing::kChannels;
    wanted.samples = period_frames(rate);
    wanted.callback = pull_frames;
    wanted.userdata = &feed;
    SDL_AudioSpec obtained{};
    const SDL_AudioDeviceID id =
        SDL_OpenAudioDevice(device.empty() ? nullptr : device.c_str(), 0, &wanted, &obtained, 0);
    if (id == 0) {
        *error = SDL_GetError();
        return nullptr;
    }
    return std::unique_ptr<AudioOutput>(new AudioOutput(id, rate));
}

AudioOutput::~AudioOutput() {
    SDL_CloseAudioDevice(device_);
}

void AudioOutput::set_paused(bool paused) {
    SDL_PauseAudioDevice(device_, paused ? 1 : 0);
}

}  // namespace qarvel_cli
