#pragma once

#include <memory>

#include "platform/foundation/Log.h"

namespace platform {

class Bundle;
class RunLoop;
class UserDefaults;
// Classes of the layers above. The record only holds them: a shared_ptr's deleter is bound
// where the object is made, in the layer that knows the class, so this layer neither includes
// nor links anything above it.
class SystemSoundService;  // platform/audio
class Application;         // platform/ui
class Accelerometer;       // platform/ui
class ImageCache;          // platform/ui
class AnimationContext;    // platform/ui

// The process's shared objects, in one record that owns them. The host fills and installs it
// once at start; a test installs its own (with a ScopedServices) and so replaces all of them in
// one statement. A member a process does not use may stay empty; using an empty one is a
// programming error.
struct Services {
    std::shared_ptr<RunLoop> runLoop = nullptr;  // the main thread's run loop
    std::shared_ptr<Bundle> bundle = nullptr;    // the application's resources
    std::shared_ptr<UserDefaults> defaults = nullptr;
    std::shared_ptr<SystemSoundService> sound = nullptr;
    std::shared_ptr<Application> application = nullptr;
    std::shared_ptr<Accelerometer> accelerometer = nullptr;
    std::shared_ptr<ImageCache> images = nullptr;
    std::shared_ptr<AnimationContext> animations = nullptr;  // open animation blocks
    // Receives each log line without its prefix; empty: stderr. Any thread may log, so the sink
    // is given with the record and read under the log's lock.
    Log::Sink log = nullptr;
};

// The installed record. Main thread only. Ends the process with a message when none is
// installed: every program and test that uses a shared object installs a record first.
Services& services();
// Whether a record is installed.
bool hasServices();

// Installs a record for its lifetime, then puts back the one installed before it.
//
// On destruction the record is torn down in order while it is still installed: first every
// timer pending on its run loop is invalidated, which releases what those timers own (a
// pending playback keeps its controller alive), so that they go while the services they call on
// their way out still exist; then the services themselves, each before what it uses: the sound
// service (which closes its audio output, so that no pull outlives the clips), the image cache, the accelerometer, the
// application, the preferences (flushed on destruction), the bundle, and the run loop last.
class ScopedServices {
public:
    explicit ScopedServices(Services services);
    ~ScopedServices();
    ScopedServices(const ScopedServices&) = delete;
    ScopedServices& operator=(const ScopedServices&) = delete;

    Services& operator*() { return services_; }
    Services* operator->() { return &services_; }

private:
    Services services_;
    Services* previous_;
};

namespace detail {
// For Log: hands `message` to the installed record's sink under the lock that guards
// installation; false when there is no sink (the caller writes to stderr). Any thread.
bool sendToLogSink(const std::string& message);
}  // namespace detail

}  // namespace platform
