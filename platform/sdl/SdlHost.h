#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>

#include "platform/a11y/atspi/AtspiBridge.h"
#include "platform/foundation/Services.h"
#include "platform/sensors/AccelerometerFeed.h"
#include "platform/sdl/FontCache.h"
#include "platform/sdl/SdlDeleter.h"
#include "platform/sdl/SdlPainter.h"
#include "platform/sdl/TouchInput.h"
#include "platform/ui/Host.h"

namespace platform {

// The process's run on a desktop: one resizable SDL window, mouse and touch input as one
// finger, keys (F11 toggles fullscreen), the real sound service and URL opener, and the main
// run loop driven between events. What any host does with those events (routing, layout,
// frames, quitting, the orderly end) is the Host's; this class turns SDL's events into its
// calls. The host installs the shared services for the run and tears them down in order at
// its end.
//
// The host draws only when the Host says a frame is needed; otherwise it sleeps in SDL until
// the next event or the next timer, so a board at rest costs next to no CPU. Posts to the run
// loop from other threads wake it.
class SdlHost {
public:
    using LoadInterface = Host::LoadInterface;

    static constexpr int kMaxScale = 3;

    // The whole run with a default host and standardServices(): returns the process's exit
    // status.
    static int applicationMain(int argc, char** argv, LoadInterface loadMainInterface);
    // The services of a normal run: a run loop on the steady clock, the resources beside the
    // executable and the user's preferences file (UserDefaults::defaultFile()).
    static Services standardServices();

    SdlHost();
    ~SdlHost();
    SdlHost(const SdlHost&) = delete;
    SdlHost& operator=(const SdlHost&) = delete;

    // Installs `record` for the run, filling in what is missing (a run loop on the steady
    // clock, the application, the accelerometer, the image cache, and the sound service: the
    // real one when the audio device opens, else one without a device); starts SDL and the
    // window, loads the interface, tells the application's delegate that launching finished,
    // and runs until the window is closed, Ctrl+Q is pressed, or SIGINT/SIGTERM arrives. Then
    // it tells the delegate, flushes the preferences (if any), releases the interface, tears
    // the services down (the timers still pending first, so that what they keep alive goes
    // while the sound service is there) and stops SDL. 0 on an orderly end, 1 when SDL or the
    // window cannot start.
    int run(LoadInterface loadMainInterface, Services record);

    // Pixels per point for a display of `displayHeight` pixels: the largest whole number at
    // which the screen takes at most 90% of the display's height, from 1 to kMaxScale.
    static int windowScale(int displayHeight);
    // Whether the host may run on SDL's video driver `driver`, given SDL_VIDEODRIVER
    // (`requested`: names or name prefixes separated by commas, as SDL reads them). Drivers that
    // show windows on a screen are fine; SDL's display-less ones (offscreen, dummy) only when
    // asked for. SDL 2.26 falls back to "offscreen" by itself when it finds no display: the
    // window would be invisible, and SDL cannot wait for events there but polls every millisecond.
    static bool acceptsVideoDriver(std::string_view driver, std::string_view requested);

private:
    void install(Services record);
    bool start();
    void startServices();
    void loop();
    void handle(const SDL_Event& event);
    // Fits the screen to the window's size now: painter, touch mapping, key window's frame.
    void layOut();
    void toggleFullscreen();
    void renderFrame();
    // Hands what is about to be drawn to screen readers, while one listens.
    void describeForAccessibility(Window& window);
    void shutDown();

    bool sdlStarted_ = false;
    uint32_t wakeEventType_ = 0;
    std::shared_ptr<FontCache> fonts_;
    // Destroyed in reverse: the painter's textures, then the renderer, then the window.
    SdlPtr<SDL_Window> window_;
    SdlPtr<SDL_Renderer> renderer_;
    std::unique_ptr<SdlPainter> painter_;
    std::optional<TouchInput> touch_;
    // Samples the accelerometer; stopped before SDL, as its source may be an SDL sensor.
    std::shared_ptr<AccelerometerFeed> accelerometerFeed_;
    // Stopped first at the end: its thread posts to the run loop.
    std::unique_ptr<a11y::AtspiBridge> accessibility_;
    a11y::ScreenMapping screenMapping_;  // the window's points, from the window's corner
    // Holds the interface; released before the services.
    Host core_;
    // Installed for the run; torn down before SDL stops, as the sound service uses SDL's audio.
    std::optional<ScopedServices> services_;
};

}  // namespace platform
