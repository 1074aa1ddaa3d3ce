#include "platform/audio/VoiceMixer.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace platform {
namespace {
constexpr size_t kQueueCapacity = 1024;
}  // namespace

VoiceMixer::VoiceMixer(int rate, double latencySeconds, size_t voices)
    : rate_(rate),
      latencyFrames_(std::llround(latencySeconds * rate)),
      commands_(kQueueCapacity),
      reports_(kQueueCapacity),
      capacity_(std::max<size_t>(voices, 1)),
      clock_(rate) {
    storage_.push_back(std::make_unique<Voice[]>(capacity_));
    voices_ = storage_.back().get();
    voiceCapacity_ = capacity_;
}

VoiceMixer::~VoiceMixer() = default;

// ---- main side ----

void VoiceMixer::submit(Command command) {
    flushBacklog();
    if (!backlog_.empty() || !commands_.push(command)) backlog_.push_back(command);
}

void VoiceMixer::flushBacklog() {
    while (!backlog_.empty() && commands_.push(backlog_.front())) backlog_.pop_front();
}

void VoiceMixer::grow() {
    // Doubling keeps the copies on the audio side rare; the old array comes back in a report.
    capacity_ *= 2;
    storage_.push_back(std::make_unique<Voice[]>(capacity_));
    Command command{};
    command.type = CommandType::Grow;
    command.storage = storage_.back().get();
    command.capacity = capacity_;
    submit(command);
}

void VoiceMixer::play(const DecodedClip& clip, uint32_t sound, uint64_t play, double dueTime) {
    // Every play not yet reported ended may hold a voice: make room for one more first.
    if (outstanding_ + 1 > capacity_) grow();
    Command command{};
    command.type = CommandType::Play;
    command.sound = sound;
    command.play = play;
    command.clip = &clip;
    command.dueTime = dueTime;
    submit(command);
    ++outstanding_;
}

void VoiceMixer::stop(uint32_t sound) {
    Command command{};
    command.type = CommandType::Stop;
    command.sound = sound;
    submit(command);
}

bool VoiceMixer::popEnded(Ended& ended) {
    flushBacklog();
    Report report{};
    while (reports_.pop(report)) {
        if (report.released) {
            std::erase_if(storage_,
                          [&](const auto& array) { return array.get() == report.released; });
            continue;
        }
        --outstanding_;
        ended = report.ended;
        return true;
    }
    return false;
}

// ---- audio side ----

void VoiceMixer::render(float* out, int frames, double hostTime) {
    const int64_t start = frame_.load(std::memory_order_relaxed);
    clock_.bufferRequested(hostTime, start, frames);
    clockRestarts_.store(clock_.restarts(), std::memory_order_relaxed);
    takeCommands(start);
    std::fill(out, out + static_cast<ptrdiff_t>(frames) * kChannels, 0.0f);
    mixVoices(out, frames, start);
    for (float* sample = out; sample != out + static_cast<ptrdiff_t>(frames) * kChannels; ++sample)
        *sample = std::clamp(*sample, -1.0f, 1.0f);
    reportEnded(start + frames);
    frame_.store(start + frames, std::memory_order_relaxed);
}

void VoiceMixer::takeCommands(int64_t bufferStart) {
    Command command{};
    while (commands_.pop(command)) {
        switch (command.type) {
            case CommandType::Play:
                startVoice(command, bufferStart);
                break;
            case CommandType::Stop:
                stopVoices(command.sound, bufferStart);
                break;
            case CommandType::Grow: {
                Voice* old = voices_;
                std::copy(old, old + voiceCount_, command.storage);
                voices_ = command.storage;
                voiceCapacity_ = command.capacity;
                // When the report does not fit, the main side frees the array with the mixer.
                reports_.push(Report{{}, old});
                break;
            }
        }
    }
}

void VoiceMixer::startVoice(const Command& command, int64_t bufferStart) {
    int64_t start = std::llround(clock_.frameAt(command.dueTime)) + latencyFrames_;
    if (start < bufferStart) {
        start = bufferStart;
        lateStarts_.fetch_add(1, std::memory_order_relaxed);
    }
    // The main side grows the storage before it could fill up; should it ever be full, the
    // play is reported as stopped rather than lost.
    const bool room = voiceCount_ < voiceCapacity_;
    Voice voice{command.clip, command.sound, command.play, start, !room, -1};
    if (room)
        voices_[voiceCount_++] = voice;
    else
        reports_.push(Report{{voice.sound, voice.play, true, voice.startFrame}, nullptr});
}

void VoiceMixer::stopVoices(uint32_t sound, int64_t bufferStart) {
    for (size_t i = 0; i < voiceCount_; ++i) {
        Voice& voice = voices_[i];
        if (voice.sound != sound || voice.stopped || voice.fadeLeft >= 0) continue;
        // A voice that has not sounded yet, or has nothing left to play, just ends.
        const bool sounding =
            voice.startFrame < bufferStart && voice.startFrame + voice.clip->frames() > bufferStart;
        if (sounding)
            voice.fadeLeft = kFadeFrames;
        else
            voice.stopped = true;
    }
}

void VoiceMixer::mixVoices(float* out, int frames, int64_t bufferStart) {
    const int64_t bufferEnd = bufferStart + frames;
    for (size_t i = 0; i < voiceCount_; ++i) {
        Voice& voice = voices_[i];
        if (voice.stopped) continue;
        const int64_t from = std::max(bufferStart, voice.startFrame);
        int64_t to = std::min(bufferEnd, voice.startFrame + voice.clip->frames());
        if (voice.fadeLeft >= 0) to = std::min(to, from + voice.fadeLeft);
        if (from < to) {
            const float* source =
                voice.clip->samples.data() + (from - voice.startFrame) * kChannels;
            float* target = out + (from - bufferStart) * kChannels;
            if (voice.fadeLeft < 0) {
                const int64_t count = (to - from) * kChannels;
                for (int64_t s = 0; s < count; ++s) target[s] += source[s];
            } else {
                // A straight ramp from the gain reached so far down to silence.
                for (int64_t f = 0; f < to - from; ++f) {
                    const float gain = static_cast<float>(voice.fadeLeft - f) / kFadeFrames;
                    target[2 * f] += gain * source[2 * f];
                    target[2 * f + 1] += gain * source[2 * f + 1];
                }
            }
        }
        if (voice.fadeLeft >= 0) {
            voice.fadeLeft -= static_cast<int32_t>(std::max<int64_t>(to - from, 0));
            if (voice.fadeLeft <= 0 || to >= voice.startFrame + voice.clip->frames())
                voice.stopped = true;
        }
    }
}

void VoiceMixer::reportEnded(int64_t bufferEnd) {
    // Ended plays are reported in the order they ended (stopped ones first), so completions
    // follow what was heard; each is dropped only once its report is queued.
    const auto endOf = [](const Voice& voice) {
        return voice.stopped ? std::numeric_limits<int64_t>::min()
                             : voice.startFrame + voice.clip->frames();
    };
    for (;;) {
        size_t first = voiceCount_;
        for (size_t i = 0; i < voiceCount_; ++i) {
            if (endOf(voices_[i]) > bufferEnd) continue;
            if (first == voiceCount_ || endOf(voices_[i]) < endOf(voices_[first]) ||
                (endOf(voices_[i]) == endOf(voices_[first]) &&
                 voices_[i].play < voices_[first].play))
                first = i;
        }
        if (first == voiceCount_) return;
        const Voice& voice = voices_[first];
        if (!reports_.push(
                Report{{voice.sound, voice.play, voice.stopped, voice.startFrame}, nullptr}))
            return;  // the queue is full: the rest are reported with a later buffer
        voices_[first] = voices_[--voiceCount_];
    }
}

}  // namespace platform
