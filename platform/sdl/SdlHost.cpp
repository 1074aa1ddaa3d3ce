#include "platform/sdl/SdlHost.h"

#include <SDL2/SDL_image.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>

#include "platform/foundation/Bundle.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/audio/MixerSoundService.h"
#include "platform/sdl/BestAccelerometerSource.h"
#include "platform/sdl/SdlAudioOutput.h"
#include "platform/sdl/SdlKeys.h"
#include "platform/sdl/UrlOpener.h"
#include "platform/ui/WindowLayout.h"
#include "platform/sdl/VideoDriverChoice.h"
#include "platform/ui/Application.h"

namespace platform {
namespace {

// The application id of the desktop entry, metadata and icon that an install provides.
constexpr const char* kApplicationId = "org.example.soundboard.Soundboard";

std::string windowTitle() {
    const auto& bundle = services().bundle;
    return bundle ? bundle->displayName() : Bundle::kFallbackName;
}

// When `event` happened, on the run loop's clock. SDL stamps events in milliseconds of its own
// tick counter; the age of the event in ticks is taken off the run loop's present time.
double eventTime(const SDL_Event& event, const RunLoop& runLoop) {
    const Uint32 age = SDL_GetTicks() - event.common.timestamp;  // wraps as the ticks do
    return runLoop.now() - (age < 1000 ? age : 0) / 1000.0;
}

}  // namespace

int SdlHost::applicationMain([[maybe_unused]] int argc, [[maybe_unused]] char** argv,
                             LoadInterface loadMainInterface) {
    SdlHost host;
    return host.run(std::move(loadMainInterface), standardServices());
}

Services SdlHost::standardServices() {
    Services record;
    record.runLoop = std::make_shared<RunLoop>(std::make_shared<SteadyClock>());
    record.bundle = Bundle::forRunningExecutable();
    record.defaults =
        std::make_shared<UserDefaults>(UserDefaults::defaultFile(), record.runLoop.get());
    return record;
}

void SdlHost::install(Services record) {
    if (!record.runLoop)
        record.runLoop = std::make_shared<RunLoop>(std::make_shared<SteadyClock>());
    services_.emplace(Host::withInterfaceDefaults(std::move(record)));
}

SdlHost::SdlHost() = default;

SdlHost::~SdlHost() { shutDown(); }

int SdlHost::windowScale(int displayHeight) {
    const int scale =
        static_cast<int>(std::floor(displayHeight * 0.9 / WindowLayout::kScreen.height));
    return std::clamp(scale, 1, kMaxScale);
}

bool SdlHost::acceptsVideoDriver(std::string_view driver, std::string_view requested) {
    if (driver != "offscreen" && driver != "dummy") return true;
    const auto sameLetters = [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) ==
               std::tolower(static_cast<unsigned char>(b));
    };
    while (!requested.empty()) {
        const size_t comma = requested.find(',');
        const std::string_view name = requested.substr(0, comma);
        // SDL takes a name that starts the driver's name, in any case.
        if (!name.empty() && name.size() <= driver.size() &&
            std::equal(name.begin(), name.end(), driver.begin(), sameLetters))
            return true;
        requested = comma == std::string_view::npos ? "" : requested.substr(comma + 1);
    }
    return false;
}

int SdlHost::run(LoadInterface loadMainInterface, Services record) {
    install(std::move(record));
    if (!start()) {
        shutDown();
        return 1;
    }
    startServices();
    core_.launch(loadMainInterface);
    layOut();

    loop();

    core_.end();
    shutDown();
    return 0;
}

bool SdlHost::start() {
    // A touch screen reports fingers; SDL's mouse copies of them would be a second finger.
    SDL_SetHint(SDL_HINT_TOUCH_MOUSE_EVENTS, "0");
    SDL_SetHint(SDL_HINT_MOUSE_TOUCH_EVENTS, "0");
    // The window's X11 class and Wayland application id: shells match it to the installed
    // desktop entry of that name for the window's icon and name. SDL 2.26 reads them from the
    // environment; one the user set is kept.
    ::setenv("SDL_VIDEO_X11_WMCLASS", kApplicationId, 0);
    ::setenv("SDL_VIDEO_WAYLAND_WMCLASS", kApplicationId, 0);
    VideoDriverChoice::apply();
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
        Log::print("Cannot start the display: %s", SDL_GetError());
        return false;
    }
    sdlStarted_ = true;
    const char* driver = SDL_GetCurrentVideoDriver();
    const char* requested = SDL_GetHint(SDL_HINT_VIDEODRIVER);
    if (!driver || !acceptsVideoDriver(driver, requested ? requested : "")) {
        Log::print(
            "Cannot start the display: no screen to show the window on (SDL found only "
            "its \"%s\" driver)",
            driver ? driver : "no");
        return false;
    }
    // Sound is started by the sound service's output, and only while sound is wanted; sensors
    // by the accelerometer's source, and only while it has one.
    if ((IMG_Init(IMG_INIT_PNG) & IMG_INIT_PNG) == 0)
        Log::print("No PNG images: %s", IMG_GetError());
    fonts_ = std::make_shared<FontCache>();

    SDL_DisplayMode display{};
    const int scale = SDL_GetDesktopDisplayMode(0, &display) == 0 ? windowScale(display.h) : 1;
    window_.reset(SDL_CreateWindow(windowTitle().c_str(), SDL_WINDOWPOS_CENTERED,
                                   SDL_WINDOWPOS_CENTERED,
                                   static_cast<int>(WindowLayout::kScreen.width) * scale,
                                   static_cast<int>(WindowLayout::kScreen.height) * scale,
                                   SDL_WINDOW_ALLOW_HIGHDPI | SDL_WINDOW_RESIZABLE));
    if (window_) {
        renderer_.reset(SDL_CreateRenderer(window_.get(), -1,
                                           SDL_RENDERER_ACCELERATED | SDL_RENDERER_PRESENTVSYNC));
        if (!renderer_)
            renderer_.reset(SDL_CreateRenderer(window_.get(), -1, SDL_RENDERER_SOFTWARE));
    }
    if (!renderer_) {
        Log::print("Cannot open the window: %s", SDL_GetError());
        return false;
    }
    // The smallest window is counted in pixels, SDL's minimum in window units, which are
    // larger on a high-density output (Wayland at scale 2). Given in pixels, a phone turned to
    // landscape (a window 360 units high) would be held 400 units high, cut off at the bottom.
    int pixelWidth = 0;
    int unitWidth = 0;
    SDL_GetRendererOutputSize(renderer_.get(), &pixelWidth, nullptr);
    SDL_GetWindowSize(window_.get(), &unitWidth, nullptr);
    const float unitsPerPixel = pixelWidth > 0 ? static_cast<float>(unitWidth) / pixelWidth : 1;
    SDL_SetWindowMinimumSize(
        window_.get(),
        static_cast<int>(std::ceil(WindowLayout::kMinimumWindow.width * unitsPerPixel)),
        static_cast<int>(std::ceil(WindowLayout::kMinimumWindow.height * unitsPerPixel)));

    painter_ = std::make_unique<SdlPainter>(renderer_.get(), 1, fonts_);
    touch_.emplace(WindowLayout::kScreen, 1);
    layOut();
    wakeEventType_ = SDL_RegisterEvents(1);
    return true;
}

void SdlHost::layOut() {
    // On a high-density display the renderer has more pixels than the window has units.
    int pixelWidth = 0;
    int pixelHeight = 0;
    SDL_GetRendererOutputSize(renderer_.get(), &pixelWidth, &pixelHeight);
    int windowWidth = 0;
    int windowHeight = 0;
    SDL_GetWindowSize(window_.get(), &windowWidth, &windowHeight);
    const auto layout =
        core_.resize(static_cast<float>(pixelWidth), static_cast<float>(pixelHeight));
    painter_->setLayout(layout.scale, layout.origin);
    const float unitsPerPixel = pixelWidth > 0 ? static_cast<float>(windowWidth) / pixelWidth : 1;
    touch_->setGeometry({static_cast<float>(windowWidth), static_cast<float>(windowHeight)},
                        layout.scale * unitsPerPixel,
                        {layout.origin.x * unitsPerPixel, layout.origin.y * unitsPerPixel});
    screenMapping_ = {layout.origin.x * unitsPerPixel, layout.origin.y * unitsPerPixel,
                      layout.scale * unitsPerPixel};
}

void SdlHost::toggleFullscreen() {
    const bool fullscreen = SDL_GetWindowFlags(window_.get()) & SDL_WINDOW_FULLSCREEN_DESKTOP;
    SDL_SetWindowFullscreen(window_.get(), fullscreen ? 0 : SDL_WINDOW_FULLSCREEN_DESKTOP);
}

void SdlHost::startServices() {
    if (!services().sound) {
        RunLoop& runLoop = *services().runLoop;
        services().sound = MixerSoundService::create(
            runLoop,
            std::make_unique<SdlAudioOutput>(runLoop.clock(), windowTitle(), kApplicationId));
    }
    accelerometerFeed_ = AccelerometerFeed::start(bestAccelerometerSource(),
                                                  [] { services().sound->prepareToPlay(); });
    core_.setPressBegins([] { services().sound->prepareToPlay(); });
    services().application->setUrlOpener(
        [opener = UrlOpener()](const std::string& url) { return opener.open(url); });
    // Any thread may post; the pushed event ends the wait in SDL so the post runs promptly.
    services().runLoop->setWakeHandler([type = wakeEventType_] {
        SDL_Event event{};
        event.type = type;
        SDL_PushEvent(&event);
    });
    accessibility_ = a11y::AtspiBridge::start(*services().runLoop, windowTitle());
}

void SdlHost::loop() {
    RunLoop& runLoop = *services().runLoop;
    while (!core_.quitRequested()) {
        runLoop.runUntilIdle();
        if (core_.frameNeeded()) {
            if (Window* window = services().application->keyWindow())
                describeForAccessibility(*window);
            renderFrame();
        }

        const int timeout = core_.waitTimeoutMs();
        SDL_Event event;
        const int got = timeout < 0    ? SDL_WaitEvent(&event)
                        : timeout == 0 ? SDL_PollEvent(&event)
                                       : SDL_WaitEventTimeout(&event, timeout);
        if (!got) continue;
        handle(event);
        while (!core_.quitRequested() && SDL_PollEvent(&event)) handle(event);
    }
}

void SdlHost::handle(const SDL_Event& event) {
    // A wake-up needs no handling: the run loop's pass at the top of the loop runs the posts.
    if (event.type == wakeEventType_) return;
    // Plays asked for while the event is handled are due at its timestamp.
    RunLoop& runLoop = *services().runLoop;
    const RunLoop::EventScope scope(runLoop, eventTime(event, runLoop));
    switch (event.type) {
        case SDL_QUIT:
            core_.quit();
            return;
        case SDL_KEYDOWN:
            if (SdlKeys::isFullscreenToggle(event.key)) return toggleFullscreen();
            core_.pressKey(SdlKeys::translate(event.key));
            return;
        case SDL_WINDOWEVENT:
            if (event.window.event == SDL_WINDOWEVENT_FOCUS_LOST) {
                if (auto cancelled = touch_->cancel())
                    core_.touch(cancelled->phase, cancelled->location);
                core_.expose();  // the window's activation changed
            } else if (event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
                layOut();
            } else if (event.window.event == SDL_WINDOWEVENT_EXPOSED ||
                       event.window.event == SDL_WINDOWEVENT_RESTORED ||
                       event.window.event == SDL_WINDOWEVENT_FOCUS_GAINED) {
                core_.expose();
            }
            return;
        default:
            if (auto touch = touch_->translate(event)) core_.touch(touch->phase, touch->location);
    }
}

void SdlHost::renderFrame() {
    painter_->reset();
    SDL_SetRenderDrawColor(renderer_.get(), 0, 0, 0, 255);
    SDL_RenderClear(renderer_.get());
    core_.drawFrame(*painter_);
    SDL_RenderPresent(renderer_.get());
}

void SdlHost::describeForAccessibility(Window& window) {
    if (!accessibility_) return;
    int x = 0;
    int y = 0;
    SDL_GetWindowPosition(window_.get(), &x, &y);
    const bool active = SDL_GetWindowFlags(window_.get()) & SDL_WINDOW_INPUT_FOCUS;
    accessibility_->windowChanged(window, active, core_.statusBarVisible(),
                                  {static_cast<float>(x) + screenMapping_.x,
                                   static_cast<float>(y) + screenMapping_.y, screenMapping_.scale});
}

void SdlHost::shutDown() {
    accessibility_.reset();
    // The feed's source may be an SDL sensor.
    accelerometerFeed_.reset();
    core_.setPressBegins({});
    if (services_) {
        (*services_)->runLoop->setWakeHandler({});
        (*services_)->application->setUrlOpener({});
        // Pending timers first, then the sound service (its output's thread reads the clips; the run
        // loop) and the rest: see ScopedServices.
        services_.reset();
    }
    if (!sdlStarted_) return;
    touch_.reset();
    painter_.reset();
    renderer_.reset();
    window_.reset();
    fonts_.reset();
    IMG_Quit();
    SDL_Quit();
    sdlStarted_ = false;
}

}  // namespace platform
