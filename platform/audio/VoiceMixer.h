#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

#include "platform/audio/AudioOutput.h"
#include "platform/audio/DecodedClip.h"
#include "platform/audio/DeviceClock.h"
#include "platform/audio/SpscQueue.h"

namespace platform {

// Mixes any number of overlapping plays of decoded clips into float stereo buffers, each play
// starting on the exact frame that its due time maps to. It is an output's source, pulled
// buffer by buffer by the output's thread (or by a test or benchmark with a virtual clock), and
// never touches a device itself. A stopped voice that is sounding fades out over kFadeFrames
// rather than being cut at a buffer's edge, which would click.
//
// Two sides, each used by one thread only:
// - the main side (play, stop, popEnded, applied) queues commands and reads reports;
// - the audio side (render) takes the commands, mixes, and reports plays that have ended.
// They meet only in two single-producer single-consumer queues and two counters, so render()
// takes no lock and allocates nothing. Voice storage is allocated on the main side, handed
// over in a command when more voices are needed, and the old storage is handed back to be
// freed there.
//
// A clip given to play() must stay alive until every play of it has been reported ended after
// a stop() of it (or the mixer is gone): the audio side reads its samples until then.
class VoiceMixer final : public AudioOutput::Source {
public:
    static constexpr int kChannels = DecodedClip::kChannels;
    // 5 ms at 48 kHz: short enough to sound like a stop, long enough not to click.
    static constexpr int kFadeFrames = 240;

    struct Ended {
        uint32_t sound;
        uint64_t play;
        bool stopped;        // by stop(), rather than at the clip's end
        int64_t startFrame;  // where it started (or was to start)
    };

    // `latencySeconds` is the constant output latency: a play due at time t starts at the
    // device frame of t plus that many seconds.
    VoiceMixer(int rate, double latencySeconds, size_t voices = 32);
    ~VoiceMixer() override;
    VoiceMixer(const VoiceMixer&) = delete;
    VoiceMixer& operator=(const VoiceMixer&) = delete;

    int rate() const { return rate_; }
    int64_t latencyFrames() const { return latencyFrames_; }

    // ---- main side ----
    // Queues a play of `clip` (not owned) due at `dueTime` on the host clock.
    void play(const DecodedClip& clip, uint32_t sound, uint64_t play, double dueTime);
    // Queues a stop of every play of `sound`: one that waits never starts, one that sounds
    // fades out. Each is reported ended (stopped) once silent.
    void stop(uint32_t sound);
    // The next report of a play that has ended; false when there is none now.
    bool popEnded(Ended& ended);
    // Plays queued and not yet reported ended.
    size_t outstanding() const { return outstanding_; }

    // ---- audio side ----
    // Fills `out` (frames x kChannels floats) with the next `frames` frames, asked for at
    // `hostTime`. Samples are clamped to -1..1 after mixing.
    void render(float* out, int frames, double hostTime) override;
    // Frames rendered so far: the device frame of the next buffer's first frame.
    int64_t frame() const { return frame_.load(std::memory_order_relaxed); }
    // Plays whose start frame had already passed when they reached the audio side: they
    // started at once instead. Any thread may read it.
    uint64_t lateStarts() const { return lateStarts_.load(std::memory_order_relaxed); }
    // Times the device clock's mapping started afresh (see DeviceClock). Any thread.
    uint64_t clockRestarts() const { return clockRestarts_.load(std::memory_order_relaxed); }

private:
    struct Voice {
        const DecodedClip* clip;
        uint32_t sound;
        uint64_t play;
        int64_t startFrame;
        bool stopped;      // silent for good: reported with the next buffer
        int32_t fadeLeft;  // frames of fade-out still to play; -1 while not fading
    };
    enum class CommandType : uint8_t { Play, Stop, Grow };
    struct Command {
        CommandType type;
        uint32_t sound;
        uint64_t play;
        const DecodedClip* clip;
        double dueTime;
        Voice* storage;  // Grow: the new voice array
        size_t capacity;
    };
    struct Report {
        Ended ended;
        Voice* released;  // non-null: voice storage the audio side no longer uses
    };

    void submit(Command command);
    void flushBacklog();
    void grow();

    void takeCommands(int64_t bufferStart);
    void startVoice(const Command& command, int64_t bufferStart);
    void mixVoices(float* out, int frames, int64_t bufferStart);
    void stopVoices(uint32_t sound, int64_t bufferStart);
    void reportEnded(int64_t bufferEnd);

    const int rate_;
    const int64_t latencyFrames_;

    SpscQueue<Command> commands_;
    SpscQueue<Report> reports_;
    std::atomic<uint64_t> lateStarts_{0};
    std::atomic<uint64_t> clockRestarts_{0};
    std::atomic<int64_t> frame_{0};

    // Main side.
    std::deque<Command> backlog_;  // commands waiting for room in the queue, in order
    std::vector<std::unique_ptr<Voice[]>> storage_;  // every voice array not yet given back
    size_t capacity_;                                // of the newest voice array
    size_t outstanding_ = 0;

    // Audio side.
    DeviceClock clock_;
    Voice* voices_;  // non-owning: the array in use
    size_t voiceCapacity_;
    size_t voiceCount_ = 0;
    Voice* toRelease_ = nullptr;  // old storage whose report did not fit in the queue yet
};

}  // namespace platform
