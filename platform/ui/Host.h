#pragma once

#include <functional>
#include <memory>
#include <optional>

#include "platform/foundation/Services.h"
#include "platform/ui/Geometry.h"
#include "platform/ui/Key.h"
#include "platform/ui/StatusBar.h"
#include "platform/ui/Touch.h"
#include "platform/ui/WindowLayout.h"

namespace platform {

class Painter;

// What every host of the interface does, whatever shows it: loads the interface and tells the
// application's delegate, sends touches and keys to the application's key window (Ctrl+Q
// quits instead), lays the key window out for the window's size, decides when a frame is due
// and how long the host may wait for the next event, draws the key window's tree under the
// status bar, and ends the run in order. The desktop host feeds it SDL's events; the fuzz
// monkey feeds it decoded bytes, so both run the same code. Uses the installed services; main
// thread only.
class Host {
public:
    // Builds the application's objects and returns what owns them; kept until the run ends.
    using LoadInterface = std::function<std::shared_ptr<void>()>;

    // Fills in the interface's services that `record` lacks: the application, the
    // accelerometer, the image cache and the animation context.
    static Services withInterfaceDefaults(Services record);

    Host() = default;
    // Releases an interface still held, as end() would but without telling anyone.
    ~Host();
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    // Called when a finger or a key goes down (not a held key's repeat), before the press is
    // handled: the sound output wakes then, so that the play the press may ask for is heard at
    // once.
    void setPressBegins(std::function<void()> pressBegins) {
        pressBegins_ = std::move(pressBegins);
    }

    // Loads the interface and tells the application's delegate that launching finished.
    void launch(const LoadInterface& loadInterface);

    // A key going down: Ctrl+Q asks to quit, every other press goes to the key window.
    void pressKey(const KeyPress& press);
    // The one finger, at `location` on the screen, now on the run loop's clock.
    void touch(TouchPhase phase, Point location);
    // Lays the screen out in a window of `width` x `height` pixels: the key window takes the
    // screen's size in points. Returns the layout for the drawing and the touch mapping.
    WindowLayout resize(float width, float height);
    // The window's pixels were lost (shown again, restored): the next frame draws them.
    void expose() { exposed_ = true; }

    // Whether a frame must be drawn now: the window's pixels were lost, the key window changed,
    // the status bar changed or anything animates. Ask once per pass of the host's loop.
    bool frameNeeded();
    // Draws the key window's tree and, over it, the status bar.
    void drawFrame(Painter& painter);
    // How long the host may wait for events after the last frameNeeded(), in milliseconds
    // (-1: until one comes).
    int waitTimeoutMs() const;
    // How long to wait given the next timer's fire time, whether anything animates (a frame
    // every ~16 ms) and when the status bar's clock changes (seconds from now, if shown).
    static int waitTimeoutMs(std::optional<double> nextFireTime, double now, bool animating,
                             std::optional<double> statusBarChangesIn);

    // Whether the status bar shows over the screen.
    bool statusBarVisible() const { return statusBar_.isVisible(); }

    void quit() { quitRequested_ = true; }
    bool quitRequested() const { return quitRequested_; }
    // The orderly end: the delegate hears that the application terminates, the preferences
    // are written, and the interface is released.
    void end();

private:
    std::function<void()> pressBegins_;
    std::shared_ptr<void> interface_;
    StatusBar statusBar_;
    bool exposed_ = true;  // the window's pixels must be drawn again whatever the tree says
    bool animating_ = false;
    bool quitRequested_ = false;
};

}  // namespace platform
