#include "platform/sdl/SdlAudioOutput.h"

#include <SDL2/SDL.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>

#include "platform/foundation/Clock.h"

namespace platform {
namespace {
// Room for any buffer SDL may ask for, so that the callback never needs more.
constexpr int kMaxFrames = 8192;
constexpr std::array<const char*, 3> kDriverOrder{"pipewire", "pulseaudio", "alsa"};
}  // namespace

SdlAudioOutput::SdlAudioOutput(const Clock& clock, std::string applicationName,
                               std::string applicationId)
    : clock_(clock),
      applicationName_(std::move(applicationName)),
      applicationId_(std::move(applicationId)),
      mix_(static_cast<size_t>(kMaxFrames) * kChannels) {}

SdlAudioOutput::~SdlAudioOutput() { close(); }

int SdlAudioOutput::bufferFramesFor(const std::string& driver) {
    // Measured on private servers with a null sink, a tone played through a minimal SDL program
    // and the sink's monitor counted for gaps. PipeWire's own driver at 256 frames (5.3 ms) gave
    // 6 gaps of 256 frames in 4 runs of 60 s on an idle machine; at 512, none in 2 runs. At
    // 384 it asked for buffers on PipeWire's 512-frame beat, up to 8 ms off a steady one.
    // PulseAudio underran hundreds of times at 128 and 256, and only now and then at 512 or more
    // on a loaded machine. Buffers of whole milliseconds (480, 960 and 1,200 frames) it asked for
    // on a steady beat from the second buffer on; buffers of 1,024 frames (21.33 ms) up to 6 ms
    // early on a slow sawtooth for the stream's first 10-17 s, which made timed starts in that
    // time uneven by a few ms.
    if (driver == "pulseaudio") return 960;
    return 512;
}

bool SdlAudioOutput::startDriver(std::string& error) {
    // The stream's name, role and icon, as the volume controls show them. SDL reads the hints
    // when a device opens (its PulseAudio driver ignores the role); the client libraries read
    // the rest from the environment. The role is "game": "event" would file the board under
    // system sounds, which volume controls hide from their list of applications.
    SDL_SetHint(SDL_HINT_AUDIO_DEVICE_APP_NAME, applicationName_.c_str());
    SDL_SetHint(SDL_HINT_AUDIO_DEVICE_STREAM_NAME, "Sound effects");
    SDL_SetHint(SDL_HINT_AUDIO_DEVICE_STREAM_ROLE, "Game");
    const std::string pipewireProps = "{ application.icon-name = \"" + applicationId_ +
                                      "\" application.id = \"" + applicationId_ + "\" }";
    ::setenv("PIPEWIRE_PROPS", pipewireProps.c_str(), 0);
    ::setenv("PULSE_PROP_application.icon_name", applicationId_.c_str(), 0);
    ::setenv("PULSE_PROP_application.id", applicationId_.c_str(), 0);
    ::setenv("PULSE_PROP_media.role", "game", 0);

    const char* chosen = std::getenv("SDL_AUDIODRIVER");
    if (chosen && *chosen) {
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) == 0) return true;
        error = SDL_GetError();
        return false;
    }
    for (const char* driver : kDriverOrder) {
        SDL_SetHint(SDL_HINT_AUDIODRIVER, driver);
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) == 0) {
            SDL_SetHint(SDL_HINT_AUDIODRIVER, nullptr);
            return true;
        }
        error = SDL_GetError();
    }
    SDL_SetHint(SDL_HINT_AUDIODRIVER, nullptr);
    return false;
}

bool SdlAudioOutput::open(std::string& error) {
    close();
    if (!startDriver(error)) return false;
    const char* driver = SDL_GetCurrentAudioDriver();
    SDL_AudioSpec wanted{};
    wanted.freq = kRate;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = kChannels;
    wanted.samples = static_cast<Uint16>(bufferFramesFor(driver ? driver : ""));
    wanted.callback = &SdlAudioOutput::callback;
    wanted.userdata = this;
    // Rate, format, channels and size stay as asked: SDL converts and rebuffers where the
    // device differs, so every callback asks for the same number of frames.
    device_ = SDL_OpenAudioDevice(nullptr, 0, &wanted, &spec_, 0);
    if (device_ == 0) {
        error = SDL_GetError();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    return true;
}

void SdlAudioOutput::start(Source& source) {
    // Written before the device runs; unpausing orders it before the first callback.
    SDL_LockAudioDevice(device_);
    source_ = &source;
    SDL_UnlockAudioDevice(device_);
    SDL_PauseAudioDevice(device_, 0);
}

void SdlAudioOutput::close() {
    if (device_ == 0) return;
    SDL_CloseAudioDevice(device_);
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    device_ = 0;
    source_ = nullptr;
}

bool SdlAudioOutput::lost() const {
    // SDL marks a device it heard was removed as stopped; a running one is playing.
    return device_ != 0 && SDL_GetAudioDeviceStatus(device_) == SDL_AUDIO_STOPPED;
}

void SdlAudioOutput::callback(void* self, Uint8* stream, int length) {
    auto* output = static_cast<SdlAudioOutput*>(self);
    const int frames = length / static_cast<int>(sizeof(int16_t) * kChannels);
    output->fill(reinterpret_cast<int16_t*>(stream), frames);
}

void SdlAudioOutput::fill(int16_t* out, int frames) {
    if (!source_ || frames > kMaxFrames) {
        std::fill(out, out + static_cast<ptrdiff_t>(frames) * kChannels, int16_t{0});
        return;
    }
    source_->render(mix_.data(), frames, clock_.now());
    for (ptrdiff_t i = 0; i < static_cast<ptrdiff_t>(frames) * kChannels; ++i)
        out[i] = static_cast<int16_t>(std::lrint(mix_[static_cast<size_t>(i)] * 32767.0f));
}

}  // namespace platform
