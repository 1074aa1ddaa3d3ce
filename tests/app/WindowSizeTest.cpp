// The board in windows of other sizes: the screen keeps its 320-point width, so every x the
// board relies on stays put; the extra height goes to the list, and the toolbars stay at the
// bottom, also when the window changes size while something slides.

#include "tests/app/BoardFixture.h"

#include "app/AboutViewController.h"
#include "app/DBSlider.h"
#include "platform/ui/WindowLayout.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/Switch.h"
#include "platform/ui/Toolbar.h"
#include "platform/ui/Window.h"

namespace {
using platform::WindowLayout;

class WindowSizeTest : public BoardFixture {
protected:
    void SetUp() override {
        for (int i = 0; i < 20; ++i) addClip("Clip " + std::to_string(100 + i), 0.2);
        launch();
    }
    platform::Window& window() { return *interface->delegate()->window(); }
    // Resizes the window as the host does for a window of that many pixels.
    void resize(float width, float height) {
        const auto layout = WindowLayout::forPixels(width, height);
        window().setFrame({0, 0, layout.points.width, layout.points.height});
        window().layoutIfNeeded();
    }
    platform::Rect inWindow(const platform::View& view) {
        return view.superview()->convertRect(view.frame(), nullptr);
    }
    std::shared_ptr<platform::Toolbar> optionsToolbar() {
        return findView<platform::Toolbar>(
            [](const platform::Toolbar& t) { return t.frame().x() == 0; });
    }
};

TEST_F(WindowSizeTest, ExtraHeightGoesToTheListAndTheToolbarStaysAtTheBottom) {
    struct Size {
        float width, height;
        size_t rows;  // rows at least partly on screen
    };
    for (const Size size : {Size{320, 480, 9}, Size{360, 720, 13}, Size{1280, 800, 9}}) {
        SCOPED_TRACE(testing::Message() << size.width << " x " << size.height);
        resize(size.width, size.height);
        const float bottom = window().frame().height();
        EXPECT_EQ(inWindow(*optionsToolbar()).maxY(), bottom);
        EXPECT_EQ(inWindow(*button("Loop")).maxY(), bottom);
        EXPECT_EQ(inWindow(*board().soundTable()).maxY(), bottom - 44);
        EXPECT_EQ(table().visibleCells().size(), size.rows);
        // The delay slider and the switch keep their x, as the pop-out and the slides expect.
        EXPECT_EQ(inWindow(*findView<DBSlider>()).x(), 198);
        EXPECT_EQ(inWindow(*findView<platform::Switch>()).x(), 56);
    }
}

TEST_F(WindowSizeTest, AResizeDuringTheEditSlideLeavesEveryViewInPlace) {
    board().editTable();
    env.runLoop().runFor(0.1);  // the toolbars are half way
    resize(360, 720);
    env.runLoop().runFor(1);
    board().editTable();
    env.runLoop().runFor(1);
    EXPECT_EQ(optionsToolbar()->presentationFrame().x(), 0);
    EXPECT_EQ(inWindow(*optionsToolbar()).maxY(), window().frame().height());
    EXPECT_EQ(button("Delay")->presentationFrame().x(), 156);
}

TEST_F(WindowSizeTest, TheDelayPopOutStaysAboveTheSliderAfterAResize) {
    auto slider = findView<DBSlider>();
    slider->loadDelayLabel();  // as the first touch does
    const float rise = inWindow(*slider).y() - inWindow(*slider->delayLabelBackground()).y();
    resize(360, 720);
    EXPECT_EQ(inWindow(*slider).y() - inWindow(*slider->delayLabelBackground()).y(), rise);
}

TEST_F(WindowSizeTest, AResizeDuringThePushGivesTheAboutScreenTheWholeHeight) {
    auto& delegate = *interface->delegate();
    delegate.about(*board().navigationItem().rightBarButtonItem());
    env.runLoop().runFor(0.1);
    resize(360, 720);
    env.runLoop().runFor(1);
    const auto about = delegate.aboutViewController()->view();
    EXPECT_EQ(inWindow(*about).maxY(), window().frame().height());
    EXPECT_EQ(inWindow(*about).x(), 0);
}

}  // namespace
