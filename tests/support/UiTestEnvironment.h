#pragma once

#include "platform/foundation/Clock.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/Services.h"

#include <cstdint>
#include <filesystem>
#include <memory>

namespace platform {

class AlertView;
class Window;

// Installs, for the lifetime of the object, a fresh record of the platform's shared services:
// `services` as given, plus a main run loop on a ManualClock (virtual time starting at 0) and,
// unless given, a new Application, a new Accelerometer and an empty image cache. At the end the
// record is torn down in order (see ScopedServices), so no test sees another's windows,
// delegates or timers. Use one per test (e.g. a fixture member); members the test adds later
// (a bundle, a preferences store) are set on services() and go with the rest.
class UiTestEnvironment {
public:
    explicit UiTestEnvironment(Services services = {});
    UiTestEnvironment(const UiTestEnvironment&) = delete;
    UiTestEnvironment& operator=(const UiTestEnvironment&) = delete;

    ManualClock& clock() { return *clock_; }
    RunLoop& runLoop() { return *runLoop_; }

    // A 320 x 480 window, made the key window.
    std::shared_ptr<Window> makeKeyWindow();

    // The alert shown on `window` and not yet going away, or nullptr.
    static std::shared_ptr<AlertView> visibleAlert(const Window& window);

    // Writes a valid, uncompressed RGBA PNG of one colour (0xRRGGBBAA).
    static void writePng(const std::filesystem::path& path, uint32_t width, uint32_t height,
                         uint32_t rgba = 0x336699ff);

private:
    std::shared_ptr<ManualClock> clock_;
    std::shared_ptr<RunLoop> runLoop_;
    ScopedServices services_;
};

}  // namespace platform
