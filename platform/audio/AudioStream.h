#pragma once

#include <functional>
#include <limits>
#include <memory>

#include "platform/audio/AudioOutput.h"
#include "platform/audio/VoiceMixer.h"

namespace platform {

class RunLoop;
class Timer;

// Keeps an output open only while sound is wanted, and a mixer pulled by it while it is open.
//
// - Open: at wake() (a finger or key going down, a shake starting: sound may be asked for in a
//   moment), or when a play finds it closed.
// - Rest: once nothing is busy (no play in flight), no application timer waits (a delayed play
//   or a loop's next repeat may be one) and kRestSeconds have passed since the last wake or
//   busy moment, it closes: no audio thread runs and the sound server may suspend its sink.
// - Lost: a device the system reports gone, or whose pulls stop for kCheckSeconds, is closed.
//   While sound is still wanted it is tried again after kFirstRetrySeconds, doubling up to
//   kLastRetrySeconds, and at once on the next wake(); at rest it waits for the next wake.
// Every close drops the mixer with whatever it still held; `closed` is told so.
//
// Main thread only; checks run as timers on `runLoop` in every mode, and only while the stream
// is open or a retry is due.
class AudioStream {
public:
    static constexpr double kRestSeconds = 3;
    static constexpr double kCheckSeconds = 0.5;
    // How long a freshly opened device may take to pull its first buffer.
    static constexpr double kFirstPullSeconds = 2;
    static constexpr double kFirstRetrySeconds = 0.5;
    static constexpr double kLastRetrySeconds = 5;

    // `busy`: whether plays are in flight. `closed`: the mixer is gone (at rest or lost).
    AudioStream(RunLoop& runLoop, std::unique_ptr<AudioOutput> output, std::function<bool()> busy,
                std::function<void()> closed);
    ~AudioStream();
    AudioStream(const AudioStream&) = delete;
    AudioStream& operator=(const AudioStream&) = delete;

    // Sound may be wanted soon: opens now if closed, or retries now if a retry waits.
    void wake();
    // The open stream's mixer; nullptr while closed.
    VoiceMixer* mixer() const { return mixer_.get(); }
    // Frames per buffer of the open output.
    int bufferFrames() const { return output_->bufferFrames(); }

    // Two buffers (a request waits up to one for the next callback, and the run loop may get
    // to a due timer or event up to about one late) and a millisecond for the audio thread's
    // own wake-up lateness: 6.3 ms at 128 frames and 48 kHz.
    static double latencyFor(int rate, int bufferFrames);

private:
    bool open();
    void close();
    void check();
    void retry();
    void retryLater();
    bool wanted() const;
    void schedule(double delay, void (AudioStream::*step)());

    RunLoop& runLoop_;  // non-owning
    std::unique_ptr<AudioOutput> output_;
    std::function<bool()> busy_;
    std::function<void()> closed_;
    // Declared after the output: the output closes (in the destructor) before the mixer goes.
    std::unique_ptr<VoiceMixer> mixer_;
    std::weak_ptr<Timer> timer_;  // the next check or retry
    double lastWanted_ = -std::numeric_limits<double>::infinity();
    double openedAt_ = 0;
    int64_t framesAtCheck_ = 0;
    double retryDelay_ = kFirstRetrySeconds;
    bool everOpened_ = false;
    bool failureReported_ = false;
};

}  // namespace platform
