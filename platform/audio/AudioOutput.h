#pragma once

#include <string>

namespace platform {

// A sound device as the engine sees it: opened when sound is wanted, closed at rest, and pulling
// float stereo buffers from a source on a thread of its own while it runs.
//
// open(), start(), close() and lost() are called on the main thread; the source is pulled on the
// output's thread, each buffer stamped with the host time (the main run loop's clock) at which
// it was asked for.
class AudioOutput {
public:
    static constexpr int kRate = 48000;
    static constexpr int kChannels = 2;

    class Source {
    public:
        virtual ~Source() = default;
        // Fills `out` (frames x kChannels floats, interleaved) with the next `frames` frames.
        // Called on the output's thread: must not lock, allocate or sleep.
        virtual void render(float* out, int frames, double hostTime) = 0;
    };

    virtual ~AudioOutput() = default;

    // Opens the device at kRate, stereo, not yet pulling; false with `error` set when it cannot.
    virtual bool open(std::string& error) = 0;
    // Frames per buffer of the open device.
    virtual int bufferFrames() const = 0;
    // Starts pulling from `source`, which must outlive the pulling (until close()).
    virtual void start(Source& source) = 0;
    // Stops and closes the device: once this returns no pull runs, and none will. Harmless when
    // the device is not open.
    virtual void close() = 0;
    // Whether the system said the open device went away (a server that stopped, a card that was
    // unplugged). A device that just stops pulling is noticed by the engine itself.
    virtual bool lost() const = 0;
};

}  // namespace platform
