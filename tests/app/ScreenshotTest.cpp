// The interface as it looks, drawn headless at scale 2 with the shipped resources, compared with
// the pictures in docs/. Set SOUNDBOARD_UPDATE_SCREENSHOTS=1 to write the pictures instead.

#include "tests/app/BoardFixture.h"

#include "app/AboutViewController.h"
#include "tests/support/OffscreenRenderer.h"
#include "platform/sdl/SdlDeleter.h"
#include "platform/ui/WindowLayout.h"
#include "platform/ui/StatusBar.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/Window.h"
#include "tests/support/TouchDriver.h"
#include "platform/foundation/Services.h"

#include <SDL2/SDL_image.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <optional>

namespace {
namespace fs = std::filesystem;
using platform::Point;
using platform::TouchDriver;

constexpr int kScale = 2;
// Another build of the fonts may smooth glyph edges differently, so a few pixels may differ
// by a lot; anything that moves, appears or changes colour differs in far more.
constexpr int kChannelTolerance = 48;
constexpr double kDifferingShareAllowed = 0.005;

// Points on the screen, in the window's coordinates.
constexpr Point kEditButton{29, 42};
constexpr Point kAboutButton{287, 42};
constexpr float kFirstRowY = 64;
constexpr float kRowHeight = 44;

// Noon of a fixed day in the local time zone, so that the status bar's clock reads 12:00
// wherever the test runs.
std::time_t noon() {
    std::tm day{};
    day.tm_year = 2024 - 1900;
    day.tm_mon = 5;
    day.tm_mday = 1;
    day.tm_hour = 12;
    day.tm_isdst = -1;
    return std::mktime(&day);
}

std::vector<uint32_t> loadArgb(const fs::path& file, int& width, int& height) {
    platform::SdlPtr<SDL_Surface> loaded(IMG_Load(file.c_str()));
    if (!loaded) return {};
    platform::SdlPtr<SDL_Surface> argb(
        SDL_ConvertSurfaceFormat(loaded.get(), SDL_PIXELFORMAT_ARGB8888, 0));
    if (!argb) return {};
    width = argb->w;
    height = argb->h;
    std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y)
        std::memcpy(&pixels[static_cast<size_t>(y) * width],
                    static_cast<const uint8_t*>(argb->pixels) + y * argb->pitch,
                    sizeof(uint32_t) * width);
    return pixels;
}

bool differs(uint32_t a, uint32_t b) {
    for (int shift = 0; shift < 32; shift += 8) {
        const int ca = static_cast<int>((a >> shift) & 0xFF);
        const int cb = static_cast<int>((b >> shift) & 0xFF);
        if (std::abs(ca - cb) > kChannelTolerance) return true;
    }
    return false;
}

class ScreenshotTest : public BoardFixture {
protected:
    void SetUp() override {
        copyShippedResources();
        launch();
        // The launch fades the status bar in and lays out the list.
        env.runLoop().runFor(1.0);
        renderer_ = platform::OffscreenRenderer::create({320, 480}, kScale);
        ASSERT_NE(renderer_, nullptr);
    }

    // Draws from now on into a window of `width` x `height` pixels, laid out as the host lays
    // out a window of that size.
    void useWindowOfPixels(int width, int height) {
        renderer_ = platform::OffscreenRenderer::createWindowSized(width, height);
        ASSERT_NE(renderer_, nullptr);
        const auto layout = platform::WindowLayout::forPixels(static_cast<float>(width),
                                                              static_cast<float>(height));
        window().setFrame({0, 0, layout.points.width, layout.points.height});
        drawFrame();
    }
    void press(platform::Key key) {
        window().sendKey({key});
        env.runLoop().runFor(0.1);
    }

    // A frame, as the host draws between events: it lays the views out where touches find them.
    void drawFrame() { renderer_->render(window()); }
    void tap(Point point) {
        drawFrame();
        TouchDriver::tap(window(), point);
    }

    // The clips, images and name that ship with the program; the localized names stay out,
    // so the title does not depend on the locale the test runs in.
    void copyShippedResources() {
        fs::create_directories(resources());
        for (const auto& entry : fs::directory_iterator(SOUNDBOARD_RESOURCES_DIR)) {
            const fs::path& file = entry.path();
            const auto extension = file.extension();
            if (entry.is_regular_file() &&
                (extension == ".wav" || extension == ".png" || file.filename() == "Info.json"))
                fs::copy_file(file, resources() / file.filename());
        }
    }

    platform::Window& window() { return *interface->delegate()->window(); }
    static bool updating() {
        const char* update = std::getenv("SOUNDBOARD_UPDATE_SCREENSHOTS");
        return update && std::string(update) == "1";
    }
    static fs::path reference(const std::string& name) {
        return fs::path(SOUNDBOARD_SOURCE_DIR) / "docs" / (name + ".png");
    }

    // Draws the window as the host does, with the status bar over it: 320 x 480 points at
    // scale 2.
    void drawScreenshot() {
        platform::StatusBar bar([] { return noon(); });
        // The pictures show the bar at rest, without its fade-in.
        platform::services().application->setStatusBarHidden(false, false);
        bar.update(*platform::services().application);
        platform::SdlPainter& painter = renderer_->painter();
        renderer_->render([&](platform::Painter&) {
            window().renderTree(painter);
            painter.reset();
            bar.draw(painter, 320);
        });
    }

    // The share of the last drawn picture's pixels that differ from docs/<name>.png beyond the
    // tolerance; nothing (with a failure) when the reference cannot be read.
    std::optional<double> differingShare(const std::string& name) {
        const fs::path file = reference(name);
        if (!fs::exists(file)) {
            ADD_FAILURE() << file << " is missing; make it by running app_tests with "
                          << "SOUNDBOARD_UPDATE_SCREENSHOTS=1 and "
                          << "--gtest_filter='ScreenshotTest.*', then look at it before "
                          << "committing it";
            return std::nullopt;
        }
        int width = 0;
        int height = 0;
        const auto expected = loadArgb(file, width, height);
        if (expected.empty() || width != renderer_->width() || height != renderer_->height()) {
            ADD_FAILURE() << file << " is not a readable PNG file of " << renderer_->width()
                          << " x " << renderer_->height() << " pixels";
            return std::nullopt;
        }
        const auto actual = renderer_->pixels();
        size_t differing = 0;
        for (size_t i = 0; i < actual.size(); ++i)
            if (differs(actual[i], expected[i])) ++differing;
        return static_cast<double>(differing) / static_cast<double>(actual.size());
    }

    // Draws the screen and checks it against docs/<name>.png, or writes it there when updating.
    void expectMatchesReference(const std::string& name) {
        drawScreenshot();
        if (updating()) {
            fs::create_directories(reference(name).parent_path());
            EXPECT_TRUE(renderer_->savePng(reference(name).string()));
            return;
        }
        const auto share = differingShare(name);
        if (!share || *share <= kDifferingShareAllowed) return;
        const fs::path drawn = fs::temp_directory_path() / ("soundboard-" + name + "-actual.png");
        renderer_->savePng(drawn.string());
        ADD_FAILURE() << name << ": " << *share * 100 << " % of the pixels differ from "
                      << reference(name) << "; the picture drawn now is " << drawn;
    }

    std::unique_ptr<platform::OffscreenRenderer> renderer_;
};

TEST_F(ScreenshotTest, Board) {
    ASSERT_EQ(rowTitles().front(), "Air Horn") << "the shipped clips, in file-name order";
    expectMatchesReference("board");
}

// The tolerance lets through font smoothing, not a different screen: the board is told apart
// from every other picture.
TEST_F(ScreenshotTest, ToleranceTellsEveryOtherScreenFromTheBoard) {
    if (updating()) GTEST_SKIP() << "the pictures are being written";
    drawScreenshot();
    for (const char* other : {"edit-mode", "slider-popout", "about", "mute-alert"}) {
        const auto share = differingShare(other);
        ASSERT_TRUE(share.has_value());
        EXPECT_GT(*share, kDifferingShareAllowed) << other;
    }
}

TEST_F(ScreenshotTest, EditModeWithOneClipHidden) {
    tap(kEditButton);
    env.runLoop().runFor(0.4);  // the toolbars' slide
    ASSERT_TRUE(table().isEditing());
    // The check button of the second row, 6 points from the row's left edge and 7 from its top.
    const auto checkSize = platform::Image::named("checked.png")->size();
    tap({6 + checkSize.width / 2, kFirstRowY + kRowHeight + 7 + checkSize.height / 2});
    env.runLoop().runFor(0.5);
    ASSERT_TRUE(clip("Applause")->hidden());
    ASSERT_FALSE(clip("Air Horn")->hidden());
    expectMatchesReference("edit-mode");
}

TEST_F(ScreenshotTest, DelaySliderPopOutWhileTouched) {
    // Half way along the slider: a delay of 45 seconds.
    const Point onSlider{198 + 121 / 2.0f, 436 + 22};
    drawFrame();
    TouchDriver::down(window(), onSlider);
    env.runLoop().runFor(0.3);
    expectMatchesReference("slider-popout");
    TouchDriver::up(window(), onSlider);
    env.runLoop().runUntilIdle();
    const size_t before = plays().size();
    tapRow(0);
    env.runLoop().runFor(44.99);
    EXPECT_EQ(plays().size(), before) << "a delay of 45 s";
    env.runLoop().runFor(0.02);
    EXPECT_EQ(plays().size(), before + 1);
}

TEST_F(ScreenshotTest, AboutScreen) {
    tap(kAboutButton);
    env.runLoop().runFor(1.0);  // the push
    const auto& delegate = *interface->delegate();
    ASSERT_EQ(delegate.navigationController()->topViewController(), delegate.aboutViewController());
    expectMatchesReference("about");
}

TEST_F(ScreenshotTest, MuteAlert) {
    board().showAlertIfMuted();
    env.runLoop().runFor(1.0);
    ASSERT_NE(platform::UiTestEnvironment::visibleAlert(window()), nullptr);
    expectMatchesReference("mute-alert");
}

// A phone's screen, 360 x 720 pixels: the list takes the extra height; two presses of Down
// show the keyboard's focus on the third row.
TEST_F(ScreenshotTest, PhoneSizedBoardWithKeyboardFocus) {
    useWindowOfPixels(360, 720);
    press(platform::Key::Down);
    press(platform::Key::Down);
    expectMatchesReference("phone-board");
}

// A landscape desktop window: the screen at the window's height, centred.
TEST_F(ScreenshotTest, LandscapeWindowCentresTheBoard) {
    useWindowOfPixels(1280, 800);
    expectMatchesReference("landscape-board");
}

}  // namespace
