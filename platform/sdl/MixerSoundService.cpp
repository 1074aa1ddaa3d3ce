#include "platform/sdl/MixerSoundService.h"

#include <SDL2/SDL.h>
#include <SDL2/SDL_mixer.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <mutex>
#include <vector>

#include "platform/foundation/Log.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/Url.h"
#include "platform/foundation/Services.h"

namespace platform {
namespace {
constexpr int kFrequency = 48000;
constexpr int kInitialChannels = 16;
// Smallest first: the buffer size is most of the delay between a play and its sound.
constexpr int kBufferFrames[] = {256, 512, 1024};

// Where SDL_mixer's process-wide finished-channel hook sends its reports. Written on the main
// thread when a service opens or closes, read on the audio thread.
struct ReportTarget {
    RunLoop* runLoop = nullptr;  // non-owning
    std::weak_ptr<MixerSoundService> service;
    bool inUse = false;
};

uint32_t read32(const std::vector<uint8_t>& bytes, size_t offset) {
    return static_cast<uint32_t>(bytes[offset]) | static_cast<uint32_t>(bytes[offset + 1]) << 8 |
           static_cast<uint32_t>(bytes[offset + 2]) << 16 |
           static_cast<uint32_t>(bytes[offset + 3]) << 24;
}

void write32(std::vector<uint8_t>& bytes, size_t offset, uint32_t value) {
    for (size_t i = 0; i < 4; ++i) bytes[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

// SDL's WAV loader allocates as much as a chunk's header claims before reading the chunk, so a
// file of a few hundred bytes could make it ask for 4 GiB. In a copy of a RIFF file, every
// chunk size is cut to the bytes that follow its header: SDL then decodes what the file holds,
// as it does for any truncated file. Other files are left as they are.
void cutChunkSizesToFile(std::vector<uint8_t>& bytes) {
    constexpr size_t kHeader = 8;  // chunk id and size
    if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0) return;
    write32(bytes, 4,
            static_cast<uint32_t>(std::min<size_t>(read32(bytes, 4), bytes.size() - kHeader)));
    for (size_t offset = 12; offset + kHeader <= bytes.size();) {
        const size_t available = bytes.size() - offset - kHeader;
        size_t size = read32(bytes, offset + 4);
        if (size > available) {
            size = available;
            write32(bytes, offset + 4, static_cast<uint32_t>(size));
        }
        offset += kHeader + size + (size & 1);  // chunks are padded to an even length
    }
}

std::mutex& reportTargetMutex() {
    static std::mutex mutex;
    return mutex;
}

ReportTarget& reportTarget() {
    static ReportTarget target;
    return target;
}
}  // namespace

std::shared_ptr<MixerSoundService> MixerSoundService::open() {
    {
        std::lock_guard lock(reportTargetMutex());
        if (reportTarget().inUse) {
            Log::print("Audio device already opened by another sound service");
            return nullptr;
        }
    }
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        Log::print("No audio device: sounds will not play (%s)", SDL_GetError());
        return nullptr;
    }
    bool opened = false;
    for (const int frames : kBufferFrames) {
        if (Mix_OpenAudioDevice(kFrequency, AUDIO_S16SYS, 2, frames, nullptr,
                                SDL_AUDIO_ALLOW_FREQUENCY_CHANGE) == 0) {
            opened = true;
            break;
        }
    }
    if (!opened) {
        Log::print("No audio device: sounds will not play (%s)", Mix_GetError());
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return nullptr;
    }

    std::shared_ptr<MixerSoundService> service(new MixerSoundService(*services().runLoop));
    {
        std::lock_guard lock(reportTargetMutex());
        reportTarget() = {&service->reportLoop_, service, true};
    }
    Mix_ChannelFinished(channelFinishedOnAudioThread);
    return service;
}

MixerSoundService::MixerSoundService(RunLoop& reportLoop) : reportLoop_(reportLoop) {
    channelPlays_.resize(static_cast<size_t>(Mix_AllocateChannels(kInitialChannels)));
}

MixerSoundService::~MixerSoundService() {
    // Setting the hook takes the audio lock, so once this returns no report is running or
    // will run; the halts below then stay silent.
    Mix_ChannelFinished(nullptr);
    {
        std::lock_guard lock(reportTargetMutex());
        reportTarget() = {};
    }
    for (const auto& [sound, chunk] : chunks_) Mix_FreeChunk(chunk);
    Mix_CloseAudio();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

void MixerSoundService::channelFinishedOnAudioThread(int channel) {
    RunLoop* runLoop = nullptr;
    std::weak_ptr<MixerSoundService> service;
    {
        std::lock_guard lock(reportTargetMutex());
        runLoop = reportTarget().runLoop;
        service = reportTarget().service;
    }
    if (!runLoop) return;
    runLoop->post([service = std::move(service), channel] {
        if (const auto self = service.lock()) self->channelFinished(channel);
    });
}

OSStatus MixerSoundService::createSystemSoundID(const Url& url, SystemSoundID& outSound) {
    if (!url.isFileURL()) return kUnspecifiedErr;
    // Only regular files: opening a FIFO would block the main thread.
    const std::string path = url.path();
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return kUnspecifiedErr;
    std::ifstream in(path, std::ios::binary);
    if (!in) return kUnspecifiedErr;
    std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in),
                               std::istreambuf_iterator<char>()};
    // SDL reads memory of at most INT_MAX bytes; no short clip comes near.
    if (bytes.size() > static_cast<size_t>(std::numeric_limits<int>::max())) return kUnspecifiedErr;
    cutChunkSizesToFile(bytes);
    // The reader stays ours: SDL_mixer 2.6 does not close one it was given on every failure.
    SDL_RWops* file = SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size()));
    if (!file) return kUnspecifiedErr;
    Mix_Chunk* chunk = Mix_LoadWAV_RW(file, 0);
    SDL_RWclose(file);
    if (!chunk) return kUnspecifiedErr;
    const SystemSoundID sound = nextSound_++;
    chunks_.emplace(sound, chunk);
    outSound = sound;
    return kNoErr;
}

void MixerSoundService::playSystemSound(SystemSoundID sound) {
    const auto found = chunks_.find(sound);
    if (found == chunks_.end()) return;
    const int channel = playOnFreeChannel(found->second);
    if (channel < 0) {
        Log::print("Sound %u did not play: %s", sound, Mix_GetError());
        return;
    }
    // Recorded after the play has started: its report, even if the audio thread sends it at
    // once, is handled by a later pass of the main run loop.
    channelPlays_[static_cast<size_t>(channel)].push_back(sound);
}

int MixerSoundService::playOnFreeChannel(Mix_Chunk* chunk) {
    const int channel = Mix_PlayChannel(-1, chunk, 0);
    const int count = Mix_AllocateChannels(-1);
    if (channel >= 0 || Mix_Playing(-1) < count) return channel;
    const int grown = Mix_AllocateChannels(count * 2);
    channelPlays_.resize(static_cast<size_t>(grown));
    return Mix_PlayChannel(-1, chunk, 0);
}

OSStatus MixerSoundService::addSystemSoundCompletion(SystemSoundID sound, RunLoop* runLoop,
                                                     RunLoopModes modes, CompletionProc proc,
                                                     void* clientData) {
    if (!proc || !chunks_.contains(sound)) return kBadHandleErr;
    completions_[sound] = {runLoop ? runLoop : services().runLoop.get(),
                           modes ? modes : kDefaultRunLoopMode, proc, clientData};
    return kNoErr;
}

void MixerSoundService::removeSystemSoundCompletion(SystemSoundID sound) {
    completions_.erase(sound);
}

void MixerSoundService::disposeSystemSoundID(SystemSoundID sound) {
    completions_.erase(sound);
    const auto found = chunks_.find(sound);
    if (found == chunks_.end()) return;
    // The latest play on a channel is the only one that can still be sounding there.
    for (size_t channel = 0; channel < channelPlays_.size(); ++channel) {
        const auto& plays = channelPlays_[channel];
        if (!plays.empty() && plays.back() == sound) Mix_HaltChannel(static_cast<int>(channel));
    }
    Mix_FreeChunk(found->second);
    chunks_.erase(found);
}

void MixerSoundService::channelFinished(int channel) {
    if (channel < 0 || static_cast<size_t>(channel) >= channelPlays_.size()) return;
    auto& plays = channelPlays_[static_cast<size_t>(channel)];
    if (plays.empty()) return;
    const SystemSoundID sound = plays.front();
    plays.pop_front();
    deliverCompletion(sound);
}

void MixerSoundService::deliverCompletion(SystemSoundID sound) {
    const auto found = completions_.find(sound);
    if (found == completions_.end()) return;
    // A timer lets the registration's modes decide when the call may run. The registration is
    // looked up again then: it may have been withdrawn, or the handle disposed, meanwhile.
    found->second.runLoop->performAfterDelay(
        0,
        [service = weak_from_this(), sound] {
            const auto self = service.lock();
            if (!self) return;
            const auto current = self->completions_.find(sound);
            if (current == self->completions_.end()) return;
            const Completion completion = current->second;
            completion.proc(sound, completion.clientData);
        },
        nullptr, found->second.modes);
}

int MixerSoundService::frequency() const {
    int frequency = 0;
    Uint16 format = 0;
    int channels = 0;
    return Mix_QuerySpec(&frequency, &format, &channels) ? frequency : 0;
}

int MixerSoundService::channelCount() const { return Mix_AllocateChannels(-1); }

int MixerSoundService::playingChannelCount() const { return Mix_Playing(-1); }

}  // namespace platform
