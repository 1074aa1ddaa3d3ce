#include "platform/sdl/SdlHost.h"

#include <SDL2/SDL_image.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "platform/audio/DevicelessSoundService.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/sdl/MixerSoundService.h"
#include "platform/sdl/SdlKeys.h"
#include "platform/sdl/UrlOpener.h"
#include "platform/sdl/VideoDriverChoice.h"
#include "platform/sdl/WindowLayout.h"
#include "platform/ui/Accelerometer.h"
#include "platform/ui/Animation.h"
#include "platform/ui/Application.h"
#include "platform/ui/ImageCache.h"
#include "platform/ui/Window.h"

namespace platform {
namespace {

// Waits longer than a day are cut to a day: SDL takes milliseconds as an int.
constexpr double kLongestWait = 24 * 60 * 60;
// The application id of the desktop entry, metadata and icon that an install provides.
constexpr const char* kApplicationId = "org.example.soundboard.Soundboard";

std::string windowTitle() {
    const auto& bundle = services().bundle;
    const PropertyList* name =
        bundle ? bundle->objectForInfoDictionaryKey("CFBundleName") : nullptr;
    if (name && name->string() && !name->string()->empty()) return *name->string();
    return "Soundboard";
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
    if (!record.application) record.application = std::make_shared<Application>();
    if (!record.accelerometer) record.accelerometer = std::make_shared<Accelerometer>();
    if (!record.images) record.images = std::make_shared<ImageCache>();
    if (!record.animations) record.animations = std::make_shared<AnimationContext>();
    if (!record.sound) record.sound = std::make_shared<DevicelessSoundService>();
    services_.emplace(std::move(record));
}

SdlHost::SdlHost() = default;

SdlHost::~SdlHost() { shutDown(); }

int SdlHost::windowScale(int displayHeight) {
    const int scale = static_cast<int>(std::floor(displayHeight * 0.9 / kScreen.height));
    return std::clamp(scale, 1, kMaxScale);
}

int SdlHost::waitTimeoutMs(std::optional<double> nextFireTime, double now, bool animating,
                           std::optional<double> statusBarChangesIn) {
    double wait = std::numeric_limits<double>::infinity();
    if (nextFireTime) wait = std::min(wait, *nextFireTime - now);
    if (animating) wait = std::min(wait, kAnimationFrameInterval);
    if (statusBarChangesIn) wait = std::min(wait, *statusBarChangesIn);
    if (std::isinf(wait)) return -1;
    // Rounded up: waking a little early would find the timer not yet due and spin.
    return static_cast<int>(std::ceil(std::clamp(wait, 0.0, kLongestWait) * 1000));
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
    interface_ = loadMainInterface ? loadMainInterface() : nullptr;
    Application& application = *services().application;
    if (auto* delegate = application.delegate())
        delegate->applicationDidFinishLaunching(application);
    layOut();

    loop();

    if (auto* delegate = application.delegate()) delegate->applicationWillTerminate(application);
    if (auto& defaults = services().defaults) defaults->synchronize();
    interface_.reset();
    application.setDelegate(nullptr);  // it belonged to the interface
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
    // The board runs without sound; it says so once. Sensors are started by the accelerometer's
    // source, and only while it has one.
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) Log::print("No audio: %s", SDL_GetError());
    if ((IMG_Init(IMG_INIT_PNG) & IMG_INIT_PNG) == 0)
        Log::print("No PNG images: %s", IMG_GetError());
    fonts_ = std::make_shared<FontCache>();

    SDL_DisplayMode display{};
    const int scale = SDL_GetDesktopDisplayMode(0, &display) == 0 ? windowScale(display.h) : 1;
    window_.reset(SDL_CreateWindow(windowTitle().c_str(), SDL_WINDOWPOS_CENTERED,
                                   SDL_WINDOWPOS_CENTERED, static_cast<int>(kScreen.width) * scale,
                                   static_cast<int>(kScreen.height) * scale,
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
    touch_.emplace(kScreen, 1);
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
        WindowLayout::forPixels(static_cast<float>(pixelWidth), static_cast<float>(pixelHeight));
    painter_->setLayout(layout.scale, layout.origin);
    const float unitsPerPixel = pixelWidth > 0 ? static_cast<float>(windowWidth) / pixelWidth : 1;
    touch_->setGeometry({static_cast<float>(windowWidth), static_cast<float>(windowHeight)},
                        layout.scale * unitsPerPixel,
                        {layout.origin.x * unitsPerPixel, layout.origin.y * unitsPerPixel});
    if (Window* window = services().application->keyWindow())
        window->setFrame({0, 0, layout.points.width, layout.points.height});
    exposed_ = true;
}

void SdlHost::toggleFullscreen() {
    const bool fullscreen = SDL_GetWindowFlags(window_.get()) & SDL_WINDOW_FULLSCREEN_DESKTOP;
    SDL_SetWindowFullscreen(window_.get(), fullscreen ? 0 : SDL_WINDOW_FULLSCREEN_DESKTOP);
}

void SdlHost::startServices() {
    if (auto mixer = MixerSoundService::open()) services().sound = std::move(mixer);
    accelerometerFeed_ = AccelerometerFeed::start(AccelerometerFeed::bestSource());
    services().application->setUrlOpener(
        [opener = UrlOpener()](const std::string& url) { return opener.open(url); });
    // Any thread may post; the pushed event ends the wait in SDL so the post runs promptly.
    services().runLoop->setWakeHandler([type = wakeEventType_] {
        SDL_Event event{};
        event.type = type;
        SDL_PushEvent(&event);
    });
}

void SdlHost::loop() {
    RunLoop& runLoop = *services().runLoop;
    Application& application = *services().application;
    while (!quit_) {
        runLoop.runUntilIdle();
        const Window* window = application.keyWindow();
        const bool barChanged = statusBar_.update(application);
        // The bar's fade is one of the animations.
        const bool animating = View::areAnimationsRunning();
        if (exposed_ || barChanged || animating || (window && window->needsDisplay()))
            renderFrame();

        const auto barChangesIn = statusBar_.isVisible()
                                      ? std::optional(statusBar_.secondsUntilNextMinute())
                                      : std::nullopt;
        const int timeout =
            waitTimeoutMs(runLoop.nextFireTime(), runLoop.now(), animating, barChangesIn);
        SDL_Event event;
        const int got = timeout < 0    ? SDL_WaitEvent(&event)
                        : timeout == 0 ? SDL_PollEvent(&event)
                                       : SDL_WaitEventTimeout(&event, timeout);
        if (!got) continue;
        handle(event);
        while (!quit_ && SDL_PollEvent(&event)) handle(event);
    }
}

void SdlHost::handle(const SDL_Event& event) {
    if (eventObserver_) eventObserver_(event);
    // A wake-up needs no handling: the run loop's pass at the top of the loop runs the posts.
    if (event.type == wakeEventType_) return;
    // Plays asked for while the event is handled are due at its timestamp.
    RunLoop& runLoop = *services().runLoop;
    const RunLoop::EventScope scope(runLoop, eventTime(event, runLoop));
    switch (event.type) {
        case SDL_QUIT:
            quit_ = true;
            return;
        case SDL_KEYDOWN:
            keyDown(event.key);
            return;
        case SDL_WINDOWEVENT:
            if (event.window.event == SDL_WINDOWEVENT_FOCUS_LOST) {
                if (auto cancelled = touch_->cancel()) deliver(*cancelled);
            } else if (event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
                layOut();
            } else if (event.window.event == SDL_WINDOWEVENT_EXPOSED ||
                       event.window.event == SDL_WINDOWEVENT_RESTORED) {
                exposed_ = true;
            }
            return;
        default:
            if (auto touch = touch_->translate(event)) deliver(*touch);
    }
}

void SdlHost::keyDown(const SDL_KeyboardEvent& key) {
    if (SdlKeys::isQuit(key)) {
        quit_ = true;
        return;
    }
    if (SdlKeys::isFullscreenToggle(key)) return toggleFullscreen();
    if (!key.repeat) {
        if (accelerometerFeed_) accelerometerFeed_->keyPressed(key.keysym.sym);
        if (keyHandler_) keyHandler_(key.keysym.sym);
    }
    if (Window* window = services().application->keyWindow())
        window->sendKey(SdlKeys::translate(key));
}

void SdlHost::deliver(const TouchInput::Sample& touch) {
    if (Window* window = services().application->keyWindow())
        window->sendTouch(touch.phase, touch.location, services().runLoop->now());
}

void SdlHost::renderFrame() {
    Window* window = services().application->keyWindow();
    painter_->reset();
    SDL_SetRenderDrawColor(renderer_.get(), 0, 0, 0, 255);
    SDL_RenderClear(renderer_.get());
    if (window) window->renderTree(*painter_);
    // The bar lies over the content, in the screen's own coordinates.
    painter_->reset();
    statusBar_.draw(*painter_, kScreen.width);
    SDL_RenderPresent(renderer_.get());
    if (window) window->setNeedsDisplayFlag(false);
    exposed_ = false;
}

void SdlHost::shutDown() {
    // The feed's source may be an SDL sensor.
    accelerometerFeed_.reset();
    if (services_) {
        (*services_)->runLoop->setWakeHandler({});
        (*services_)->application->setUrlOpener({});
        // Pending timers first, then the sound service (its audio thread posts to the run
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
