#pragma once

#include <memory>
#include <string>

#include "platform/audio/AudioOutput.h"

namespace platform {

// An output that a test pulls by hand, in virtual time, and whose device can be absent (opens
// fail), lost, or stop pulling. The test keeps the state; the engine owns the output.
class VirtualAudioOutput final : public AudioOutput {
public:
    struct State {
        int bufferFrames = 128;
        int opens = 0;      // attempts, failed ones included
        int failOpens = 0;  // this many attempts from now on fail
        bool isOpen = false;
        bool lost = false;         // the system says the device went away
        Source* source = nullptr;  // set while the engine lets it be pulled
    };

    explicit VirtualAudioOutput(std::shared_ptr<State> state) : state_(std::move(state)) {}

    bool open(std::string& error) override {
        ++state_->opens;
        if (state_->failOpens > 0) {
            --state_->failOpens;
            error = "no sound server";
            return false;
        }
        state_->isOpen = true;
        return true;
    }
    int bufferFrames() const override { return state_->bufferFrames; }
    void start(Source& source) override { state_->source = &source; }
    void close() override {
        state_->isOpen = false;
        state_->lost = false;
        state_->source = nullptr;
    }
    bool lost() const override { return state_->lost; }

private:
    std::shared_ptr<State> state_;
};

}  // namespace platform
