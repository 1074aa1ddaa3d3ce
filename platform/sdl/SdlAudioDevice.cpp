#include "platform/sdl/SdlAudioDevice.h"

#include <SDL2/SDL.h>

#include <algorithm>
#include <cmath>
#include <chrono>
#include <string_view>
#include <thread>

#include "platform/foundation/Clock.h"
#include "platform/sdl/VoiceMixer.h"

namespace platform {
namespace {
constexpr int kPreferredFrames = 128;
constexpr int kFallbackFrames = 256;
// Room for any buffer SDL may ask for, so that the callback never needs more.
constexpr int kMaxFrames = 8192;

SDL_AudioDeviceID openWith(int frames, bool allowOtherSize, SDL_AudioSpec& obtained, void* self,
                           SDL_AudioCallback callback) {
    SDL_AudioSpec wanted{};
    wanted.freq = SdlAudioDevice::kRate;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = 2;
    wanted.samples = static_cast<Uint16>(frames);
    wanted.callback = callback;
    wanted.userdata = self;
    // Rate, format and channels stay as asked: SDL converts when the hardware differs.
    return SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained,
                               allowOtherSize ? SDL_AUDIO_ALLOW_SAMPLES_CHANGE : 0);
}
}  // namespace

std::unique_ptr<SdlAudioDevice> SdlAudioDevice::open(std::string& error) {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        error = SDL_GetError();
        return nullptr;
    }
    // The callback's user data is set once the object exists; SDL does not call a paused
    // device, so the placeholder is never used.
    std::unique_ptr<SdlAudioDevice> device(new SdlAudioDevice(0, SDL_AudioSpec{}));
    // SDL's disk driver sleeps whole milliseconds per buffer: 2 ms for 128 frames (2.67 ms)
    // would run it 25 % fast, beyond what waiting in the callback can slow down to the
    // nominal rate without starving the driver's own sleep; 5 ms for 256 frames is 6 % fast.
    const char* driver = SDL_GetCurrentAudioDriver();
    const bool sleepsForPace = driver && std::string_view(driver) == "disk";
    const int preferred = sleepsForPace ? kFallbackFrames : kPreferredFrames;
    SDL_AudioSpec obtained{};
    SDL_AudioDeviceID id =
        openWith(preferred, true, obtained, device.get(), &SdlAudioDevice::callback);
    if (id != 0 && obtained.samples != preferred) {
        // The device wants another size: SDL then buffers 256-frame callbacks for it.
        SDL_CloseAudioDevice(id);
        id = openWith(kFallbackFrames, false, obtained, device.get(), &SdlAudioDevice::callback);
    }
    if (id == 0) {
        error = SDL_GetError();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return nullptr;
    }
    device->device_ = id;
    device->spec_ = obtained;
    device->paced_ = sleepsForPace;
    return device;
}

SdlAudioDevice::SdlAudioDevice(SDL_AudioDeviceID device, const SDL_AudioSpec& spec)
    : device_(device), spec_(spec), mix_(static_cast<size_t>(kMaxFrames) * 2) {}

SdlAudioDevice::~SdlAudioDevice() {
    if (device_ == 0) return;
    SDL_CloseAudioDevice(device_);
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

void SdlAudioDevice::start(VoiceMixer& mixer, const Clock& clock) {
    // Written before the device runs; unpausing orders them before the first callback.
    SDL_LockAudioDevice(device_);
    mixer_ = &mixer;
    clock_ = &clock;
    SDL_UnlockAudioDevice(device_);
    SDL_PauseAudioDevice(device_, 0);
}

void SdlAudioDevice::callback(void* self, Uint8* stream, int length) {
    auto* device = static_cast<SdlAudioDevice*>(self);
    const int frames = length / static_cast<int>(sizeof(int16_t) * 2);
    device->fill(reinterpret_cast<int16_t*>(stream), frames);
}

void SdlAudioDevice::fill(int16_t* out, int frames) {
    if (!mixer_ || frames > kMaxFrames) {
        std::fill(out, out + static_cast<ptrdiff_t>(frames) * 2, int16_t{0});
        return;
    }
    if (paced_) keepPace(frames);
    mixer_->render(mix_.data(), frames, clock_->now());
    for (ptrdiff_t i = 0; i < static_cast<ptrdiff_t>(frames) * 2; ++i)
        out[i] = static_cast<int16_t>(std::lrint(mix_[static_cast<size_t>(i)] * 32767.0f));
}

void SdlAudioDevice::keepPace(int frames) {
    const double now = clock_->now();
    const double taken = static_cast<double>(mixer_->frame()) / spec_.freq;  // in seconds
    const double due = paceOrigin_ + taken;
    // The first buffer, or one that comes more than a few buffers late (the machine stalled
    // the thread), starts the pace afresh: catching up would rush through the backlog.
    if (taken == 0 || now > due + 4.0 * frames / spec_.freq) {
        paceOrigin_ = now - taken;
        return;
    }
    if (now < due) std::this_thread::sleep_for(std::chrono::duration<double>(due - now));
}

}  // namespace platform
