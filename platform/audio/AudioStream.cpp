#include "platform/audio/AudioStream.h"

#include <algorithm>
#include <string>

#include "platform/foundation/Log.h"
#include "platform/foundation/RunLoop.h"

namespace platform {

double AudioStream::latencyFor(int rate, int bufferFrames) {
    return 2.0 * bufferFrames / rate + 0.001;
}

AudioStream::AudioStream(RunLoop& runLoop, std::unique_ptr<AudioOutput> output,
                         std::function<bool()> busy, std::function<void()> closed)
    : runLoop_(runLoop),
      output_(std::move(output)),
      busy_(std::move(busy)),
      closed_(std::move(closed)) {}

AudioStream::~AudioStream() {
    if (const auto timer = timer_.lock()) timer->invalidate();
    output_->close();
}

void AudioStream::wake() {
    lastWanted_ = runLoop_.now();
    if (!mixer_) open();
}

bool AudioStream::open() {
    if (const auto timer = timer_.lock()) timer->invalidate();
    std::string error;
    if (!output_->open(error)) {
        // Said once: the board works on without sound, and tries again when sound is wanted.
        if (!everOpened_ && !failureReported_)
            Log::print("No audio device: sounds will not play (%s)", error.c_str());
        failureReported_ = true;
        retryLater();
        return false;
    }
    mixer_ = std::make_unique<VoiceMixer>(AudioOutput::kRate,
                                          latencyFor(AudioOutput::kRate, output_->bufferFrames()));
    output_->start(*mixer_);
    everOpened_ = true;
    retryDelay_ = kFirstRetrySeconds;
    openedAt_ = runLoop_.now();
    framesAtCheck_ = 0;
    schedule(kCheckSeconds, &AudioStream::check);
    return true;
}

void AudioStream::close() {
    if (const auto timer = timer_.lock()) timer->invalidate();
    output_->close();
    mixer_.reset();
    closed_();
}

void AudioStream::check() {
    const double now = runLoop_.now();
    const int64_t frames = mixer_->frame();
    // Pulls that stopped: some drivers say nothing when their server goes away.
    const bool stalled =
        frames == framesAtCheck_ && (frames > 0 || now - openedAt_ >= kFirstPullSeconds);
    if (output_->lost() || stalled) {
        Log::print("The audio device went away: sounds will play again once it is back");
        close();
        retryLater();
        return;
    }
    framesAtCheck_ = frames;
    if (busy_()) lastWanted_ = now;
    if (!wanted()) return close();
    schedule(kCheckSeconds, &AudioStream::check);
}

void AudioStream::retry() {
    if (!mixer_) open();
}

void AudioStream::retryLater() {
    if (!wanted()) return;  // at rest: the next wake tries
    schedule(retryDelay_, &AudioStream::retry);
    retryDelay_ = std::min(retryDelay_ * 2, kLastRetrySeconds);
}

bool AudioStream::wanted() const {
    return busy_() || runLoop_.now() - lastWanted_ < kRestSeconds ||
           runLoop_.hasTimerFiringOnlyIn(kDefaultRunLoopMode);
}

void AudioStream::schedule(double delay, void (AudioStream::*step)()) {
    if (const auto timer = timer_.lock()) timer->invalidate();
    // The timer is the only one, and the destructor invalidates it: it never outlives this.
    // The platform's own work: it runs in every mode, also while a finger drags the list.
    timer_ = runLoop_.performAfterDelay(
        delay, [this, step] { (this->*step)(); }, nullptr, kCommonRunLoopModes);
}

}  // namespace platform
