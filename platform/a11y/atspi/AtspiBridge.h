#pragma once

#include <memory>
#include <string>

#include "platform/a11y/AccessibleSnapshot.h"

namespace platform {
class RunLoop;
class Window;
}  // namespace platform

namespace platform::a11y {

class AtspiWorker;

// Publishes the window's accessible tree to AT-SPI2 readers (screen readers, switch access,
// voice control, test drivers).
//
// A thread of its own watches the session bus for whether assistive technology is on (the
// accessibility bus's IsEnabled or ScreenReaderEnabled) and, only while it is, connects to the
// accessibility bus and serves the tree there. The main thread describes the window after each
// change it draws and hands the bridge an immutable snapshot; the bridge answers every question
// from the latest snapshot and sends the events that the differences call for. What a reader
// asks to be done comes back to the main thread through the run loop's post().
//
// While assistive technology is off the bridge makes no snapshot and its thread sleeps in
// poll() without a time-out. The run loop must outlive the bridge.
class AtspiBridge {
public:
    // Starts watching. `appName` names the application and its window. nullptr, after one log
    // line, when there is no session bus to watch.
    static std::unique_ptr<AtspiBridge> start(RunLoop& runLoop, std::string appName);
    ~AtspiBridge();
    AtspiBridge(const AtspiBridge&) = delete;
    AtspiBridge& operator=(const AtspiBridge&) = delete;

    // Main thread, after a change on screen: while assistive technology is on, describes the
    // window and publishes it; otherwise returns at once. `active`: the window has the
    // keyboard; `statusBarShown`: the status bar (and its clock) shows; `screen`: where the
    // window's points are on the screen.
    void windowChanged(Window& window, bool active, bool statusBarShown, ScreenMapping screen);

private:
    struct MainSide;
    AtspiBridge(RunLoop& runLoop, std::string appName);

    std::string appName_;
    std::shared_ptr<MainSide> main_;  // posted tasks hold it weakly
    std::unique_ptr<AtspiWorker> worker_;
};

}  // namespace platform::a11y
