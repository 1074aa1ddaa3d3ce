#include "platform/foundation/Bundle.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/Url.h"
#include "platform/ui/Accelerometer.h"
#include "platform/ui/Application.h"
#include "platform/ui/Image.h"
#include "platform/ui/ImageCache.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/View.h"
#include "platform/ui/Window.h"
#include "tests/support/RecordingPainter.h"
#include "tests/support/TempDirectory.h"
#include "tests/support/TouchDriver.h"
#include "tests/support/LogInto.h"
#include "tests/support/UiTestEnvironment.h"
#include "platform/foundation/Services.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace platform {
namespace {

struct ViewTest : testing::Test {
    std::vector<std::string> log;
    UiTestEnvironment env{{.log = logInto(log)}};
    std::shared_ptr<Window> window = env.makeKeyWindow();

    template <class T = View>
    std::shared_ptr<T> add(View& parent, const Rect& frame) {
        auto view = std::make_shared<T>(frame);
        parent.addSubview(view);
        return view;
    }
};

// Records the touches it receives, in its own coordinates.
class TouchRecorder : public View {
public:
    using View::View;
    std::vector<std::pair<TouchPhase, Point>> received;
    std::function<void()> onBegan;

    void touchesBegan(const TouchSet& touches, const Event&) override {
        record(touches);
        if (onBegan) onBegan();
    }
    void touchesMoved(const TouchSet& touches, const Event&) override { record(touches); }
    void touchesEnded(const TouchSet& touches, const Event&) override { record(touches); }
    void touchesCancelled(const TouchSet& touches, const Event&) override { record(touches); }

private:
    void record(const TouchSet& touches) {
        received.emplace_back(touches.anyObject().phase, touches.anyObject().locationInView(*this));
    }
};

// Counts the hooks that the tree calls.
class HookCounter : public View {
public:
    using View::View;
    int layouts = 0;
    int windowMoves = 0;
    Window* lastWindow = nullptr;
    void layoutSubviews() override { ++layouts; }

protected:
    void didMoveToWindow() override {
        ++windowMoves;
        lastWindow = window();
    }
};

TEST_F(ViewTest, AddingTakesOwnershipAndMovesTheViewFromItsPreviousParent) {
    auto first = add(*window, {0, 0, 100, 100});
    auto second = add(*window, {0, 100, 100, 100});
    std::weak_ptr<View> child = add(*first, {0, 0, 10, 10});

    second->addSubview(child.lock());
    EXPECT_TRUE(first->subviews().empty());
    ASSERT_EQ(second->subviews().size(), 1u);
    EXPECT_EQ(child.lock()->superview(), second.get());
    EXPECT_TRUE(child.lock()->isDescendantOf(*window));
    EXPECT_EQ(child.lock()->window(), window.get());

    // Removal clears the back pointer and gives up the parent's reference.
    auto held = child.lock();
    held->removeFromSuperview();
    EXPECT_EQ(held->superview(), nullptr);
    EXPECT_EQ(held->window(), nullptr);
    held.reset();
    EXPECT_TRUE(child.expired());
}

TEST_F(ViewTest, InsertOrderingFrontmostAndTags) {
    auto parent = add(*window, {0, 0, 100, 100});
    auto a = std::make_shared<View>();
    auto b = std::make_shared<View>();
    auto c = std::make_shared<View>();
    parent->addSubview(a);
    parent->insertSubview(b, 0);
    parent->insertSubview(c, 99);  // past the end: appended
    EXPECT_EQ(parent->subviews(), (std::vector<std::shared_ptr<View>>{b, a, c}));

    parent->bringSubviewToFront(*b);
    EXPECT_EQ(parent->subviews(), (std::vector<std::shared_ptr<View>>{a, c, b}));

    // Re-adding a subview of the same parent moves it to the front without duplicating it.
    parent->addSubview(a);
    EXPECT_EQ(parent->subviews(), (std::vector<std::shared_ptr<View>>{c, b, a}));

    c->setTag(7);
    auto grandchild = add(*c, {});
    grandchild->setTag(8);
    EXPECT_EQ(window->viewWithTag(7), c.get());
    EXPECT_EQ(window->viewWithTag(8), grandchild.get());
    EXPECT_EQ(window->viewWithTag(9), nullptr);
}

TEST_F(ViewTest, RefusesCyclesAndClearsBackPointersWhenTheParentGoes) {
    auto parent = std::make_shared<View>();
    auto child = std::make_shared<View>();
    parent->addSubview(child);
    child->addSubview(parent);
    parent->addSubview(parent);
    EXPECT_EQ(parent->superview(), nullptr);
    EXPECT_TRUE(child->subviews().empty());
    EXPECT_EQ(log.size(), 2u);

    parent.reset();
    EXPECT_EQ(child->superview(), nullptr);
}

TEST_F(ViewTest, WindowChangesReachTheWholeSubtree) {
    auto parent = std::make_shared<HookCounter>();
    auto child = std::make_shared<HookCounter>();
    parent->addSubview(child);
    EXPECT_EQ(child->windowMoves, 0);  // no window yet on either side

    window->addSubview(parent);
    EXPECT_EQ(parent->windowMoves, 1);
    EXPECT_EQ(child->windowMoves, 1);
    EXPECT_EQ(child->lastWindow, window.get());

    parent->removeFromSuperview();
    EXPECT_EQ(child->windowMoves, 2);
    EXPECT_EQ(child->lastWindow, nullptr);
}

TEST_F(ViewTest, ConvertsPointsThroughFramesAndScrolledBounds) {
    auto scroller = add(*window, {10, 20, 200, 200});
    scroller->setBoundsOrigin({0, 30});
    auto inner = add(*scroller, {5, 5, 50, 50});
    auto sibling = add(*window, {100, 100, 50, 50});

    EXPECT_EQ(inner->convertPoint({1, 1}, nullptr), (Point{16, -4}));
    EXPECT_EQ(inner->convertPointFrom({16, -4}, nullptr), (Point{1, 1}));
    EXPECT_EQ(inner->convertPoint({1, 1}, sibling.get()), (Point{-84, -104}));
    EXPECT_EQ(sibling->convertPointFrom({1, 1}, inner.get()), (Point{-84, -104}));
    EXPECT_EQ(inner->convertRect({1, 1, 7, 8}, scroller.get()), (Rect{6, 6, 7, 8}));

    Touch touch;
    touch.locationInWindow = {16, -4};
    touch.previousLocationInWindow = {20, 0};
    EXPECT_EQ(touch.locationInView(*inner), (Point{1, 1}));
    EXPECT_EQ(touch.previousLocationInView(*inner), (Point{5, 5}));
}

TEST_F(ViewTest, AutoresizingSharesTheChangeAmongFlexibleParts) {
    auto parent = add(*window, {0, 0, 100, 100});
    auto width = add(*parent, {10, 10, 80, 20});
    width->setAutoresizingMask(kAutoresizingFlexibleWidth);
    auto margins = add(*parent, {20, 0, 40, 10});
    margins->setAutoresizingMask(kAutoresizingFlexibleLeftMargin |
                                 kAutoresizingFlexibleRightMargin);
    auto widthAndRight = add(*parent, {10, 0, 30, 10});
    widthAndRight->setAutoresizingMask(kAutoresizingFlexibleWidth |
                                       kAutoresizingFlexibleRightMargin);
    auto bottomPinned = add(*parent, {0, 60, 10, 30});
    bottomPinned->setAutoresizingMask(kAutoresizingFlexibleTopMargin);
    auto heightOnly = add(*parent, {0, 10, 10, 80});
    heightOnly->setAutoresizingMask(kAutoresizingFlexibleHeight);
    auto fixed = add(*parent, {5, 5, 10, 10});
    auto grandchild = add(*width, {0, 0, 80, 5});
    grandchild->setAutoresizingMask(kAutoresizingFlexibleWidth);

    parent->setFrame({0, 0, 160, 130});
    EXPECT_EQ(width->frame(), (Rect{10, 10, 140, 20}));
    EXPECT_EQ(grandchild->frame(), (Rect{0, 0, 140, 5}));      // follows its resized parent
    EXPECT_EQ(margins->frame(), (Rect{40, 0, 40, 10}));        // margins 20:40 share 60
    EXPECT_EQ(widthAndRight->frame(), (Rect{10, 0, 50, 10}));  // width 30, margin 60 share 60
    EXPECT_EQ(bottomPinned->frame(), (Rect{0, 90, 10, 30}));
    EXPECT_EQ(heightOnly->frame(), (Rect{0, 10, 10, 110}));
    EXPECT_EQ(fixed->frame(), (Rect{5, 5, 10, 10}));

    // Flexible parts of zero length share equally; moving without resizing changes nothing.
    auto centred = add(*parent, {0, 0, 160, 10});
    centred->setAutoresizingMask(kAutoresizingFlexibleLeftMargin |
                                 kAutoresizingFlexibleRightMargin);
    parent->setFrame({0, 0, 200, 130});
    EXPECT_EQ(centred->frame(), (Rect{20, 0, 160, 10}));
    parent->setFrame({30, 30, 200, 130});
    EXPECT_EQ(centred->frame(), (Rect{20, 0, 160, 10}));
}

TEST_F(ViewTest, HitTestingPrefersTheFrontmostVisibleInteractiveView) {
    auto back = add(*window, {0, 0, 100, 100});
    auto front = add(*window, {50, 50, 100, 100});
    EXPECT_EQ(window->hitTest({75, 75}), front.get());
    EXPECT_EQ(window->hitTest({25, 25}), back.get());
    EXPECT_EQ(window->hitTest({300, 400}), window.get());
    EXPECT_EQ(window->hitTest({-1, 10}), nullptr);

    front->setHidden(true);
    EXPECT_EQ(window->hitTest({75, 75}), back.get());
    front->setHidden(false);
    front->setAlpha(0.005f);
    EXPECT_EQ(window->hitTest({75, 75}), back.get());
    front->setAlpha(1);
    front->setUserInteractionEnabled(false);
    EXPECT_EQ(window->hitTest({75, 75}), back.get());

    // A disabled parent hides its whole subtree; a label lets touches through to its parent.
    auto child = add(*front, {0, 0, 10, 10});
    EXPECT_EQ(window->hitTest({55, 55}), back.get());
    front->setUserInteractionEnabled(true);
    EXPECT_EQ(window->hitTest({55, 55}), child.get());
    add<Label>(*child, {0, 0, 10, 10});
    EXPECT_EQ(window->hitTest({55, 55}), child.get());
}

TEST_F(ViewTest, HitTestingFollowsScrolledContent) {
    auto scroller = add(*window, {0, 0, 320, 200});
    scroller->setBoundsOrigin({0, 100});
    auto row = add(*scroller, {0, 150, 320, 40});
    EXPECT_EQ(window->hitTest({10, 60}), row.get());
    EXPECT_EQ(window->hitTest({10, 150}), scroller.get());
}

TEST_F(ViewTest, EveryVisibleChangeMarksTheWindow) {
    auto view = add(*window, {0, 0, 10, 10});
    auto other = std::make_shared<View>();
    auto label = add<Label>(*view, {});
    auto imageView = add<ImageView>(*view, {});
    const auto image = std::make_shared<const Image>("/nowhere.png", Size{4, 4}, 1.0f);

    const auto marks = [&](const char* what, const std::function<void()>& change) {
        window->setNeedsDisplayFlag(false);
        change();
        EXPECT_TRUE(window->needsDisplay()) << what;
    };
    marks("frame", [&] { view->setFrame({1, 0, 10, 10}); });
    marks("bounds origin", [&] { view->setBoundsOrigin({0, 5}); });
    marks("alpha", [&] { view->setAlpha(0.5f); });
    marks("hidden", [&] { view->setHidden(true); });
    marks("background", [&] { view->setBackgroundColor(Color::white(0.2f)); });
    marks("corner radius", [&] { view->setCornerRadius(3); });
    marks("clipping", [&] { view->setClipsToBounds(true); });
    marks("content mode", [&] { view->setContentMode(ContentMode::Center); });
    marks("add subview", [&] { view->addSubview(other); });
    marks("remove subview", [&] { other->removeFromSuperview(); });
    marks("label text", [&] { label->setText("x"); });
    marks("label colour", [&] { label->setTextColor(Color::gray()); });
    marks("label highlight", [&] { label->setHighlighted(true); });
    marks("image", [&] { imageView->setImage(image); });
    marks("layout request", [&] { view->setNeedsLayout(); });

    // Setting what is already there draws nothing again.
    window->setNeedsDisplayFlag(false);
    view->setFrame(view->frame());
    view->setAlpha(0.5f);
    label->setText("x");
    EXPECT_FALSE(window->needsDisplay());
}

TEST_F(ViewTest, RendersNestedViewsAtAbsolutePositionsWithAlphaAndClipping) {
    window->setBackgroundColor(Color::black());
    auto panel = add(*window, {10, 20, 100, 100});
    panel->setBackgroundColor(Color::white(0.5f));
    panel->setAlpha(0.5f);
    panel->setBoundsOrigin({0, 40});
    panel->setClipsToBounds(true);
    auto visible = add(*panel, {5, 50, 20, 20});
    visible->setBackgroundColor(Color::whiteColor());
    visible->setAlpha(0.5f);
    auto outside = add(*panel, {5, 200, 20, 20});
    outside->setBackgroundColor(Color::whiteColor());
    auto hidden = add(*window, {0, 0, 5, 5});
    hidden->setBackgroundColor(Color::whiteColor());
    hidden->setHidden(true);
    auto transparent = add(*window, {0, 0, 5, 5});
    transparent->setBackgroundColor(Color::whiteColor());
    transparent->setAlpha(0);
    auto label = add<Label>(*visible, {0, 0, 20, 20});
    label->setText("hi");
    label->setTextAlignment(TextAlignment::Center);

    RecordingPainter painter;
    window->renderTree(painter);
    ASSERT_EQ(painter.fills().size(), 3u);  // window, panel, visible
    EXPECT_EQ(painter.fills()[1].rect, (Rect{10, 20, 100, 100}));
    EXPECT_FLOAT_EQ(painter.fills()[1].alpha, 0.5f);
    EXPECT_EQ(painter.fills()[1].clip, (Rect{10, 20, 100, 100}));
    EXPECT_EQ(painter.fills()[2].rect, (Rect{15, 30, 20, 20}));  // 20 + 50 - 40
    EXPECT_FLOAT_EQ(painter.fills()[2].alpha, 0.25f);
    ASSERT_NE(painter.findText("hi"), nullptr);
    EXPECT_EQ(painter.findText("hi")->box, (Rect{15, 30, 20, 20}));
    EXPECT_EQ(painter.findText("hi")->alignment, TextAlignment::Center);
    EXPECT_EQ(painter.saveDepth(), 0u);
}

TEST_F(ViewTest, RenderingLaysOutRequestedViewsFirst) {
    auto view = add<HookCounter>(*window, {0, 0, 10, 10});
    RecordingPainter painter;
    window->renderTree(painter);
    window->renderTree(painter);
    EXPECT_EQ(view->layouts, 1);
    view->setFrame({0, 0, 20, 10});  // a new size asks for layout
    window->renderTree(painter);
    EXPECT_EQ(view->layouts, 2);
    view->setFrame({5, 5, 20, 10});  // moving does not
    view->layoutIfNeeded();
    EXPECT_EQ(view->layouts, 2);
}

TEST_F(ViewTest, LabelDrawsItsHighlightedColourOnlyWhenItHasOne) {
    auto label = add<Label>(*window, {0, 0, 100, 20});
    label->setText("Door Bell");
    label->setTextColor(Color::gray());
    label->setHighlighted(true);
    EXPECT_EQ(label->currentTextColor(), Color::gray());
    label->setHighlightedTextColor(Color::whiteColor());
    RecordingPainter painter;
    window->renderTree(painter);
    ASSERT_NE(painter.findText("Door Bell"), nullptr);
    EXPECT_EQ(painter.findText("Door Bell")->color, Color::whiteColor());
    label->setHighlighted(false);
    EXPECT_EQ(label->currentTextColor(), Color::gray());
}

TEST_F(ViewTest, WindowRoutesATouchToTheViewItBeganOn) {
    auto target = add<TouchRecorder>(*window, {100, 100, 50, 50});
    auto other = add<TouchRecorder>(*window, {0, 0, 50, 50});

    TouchDriver::down(*window, {110, 120});
    TouchDriver::move(*window, {10, 10});  // over the other view: still the first
    TouchDriver::up(*window, {12, 10});

    const std::vector<std::pair<TouchPhase, Point>> expected = {{TouchPhase::Began, {10, 20}},
                                                                {TouchPhase::Moved, {-90, -90}},
                                                                {TouchPhase::Ended, {-88, -90}}};
    EXPECT_EQ(target->received, expected);
    EXPECT_TRUE(other->received.empty());

    // Moves and ends without a touch that began are dropped.
    TouchDriver::move(*window, {120, 120});
    TouchDriver::up(*window, {120, 120});
    EXPECT_EQ(target->received.size(), 3u);
}

TEST_F(ViewTest, WindowCancelsAStaleTouchAndSurvivesViewsLeavingMidTouch) {
    auto first = add<TouchRecorder>(*window, {0, 0, 50, 50});
    auto second = add<TouchRecorder>(*window, {100, 0, 50, 50});
    TouchDriver::down(*window, {10, 10});
    TouchDriver::down(*window, {110, 10});  // a second began: the first touch is cancelled
    ASSERT_EQ(first->received.size(), 2u);
    EXPECT_EQ(first->received[1].first, TouchPhase::Cancelled);
    EXPECT_EQ(second->received.size(), 1u);

    // The touched view leaves the tree and is dropped by everyone while the finger is down.
    second->onBegan = [&] { second->removeFromSuperview(); };
    std::weak_ptr<View> weak = second;
    TouchDriver::up(*window, {110, 10});
    TouchDriver::down(*window, {110, 10});
    second.reset();
    EXPECT_TRUE(weak.expired());
    TouchDriver::move(*window, {111, 10});
    TouchDriver::up(*window, {111, 10});
}

TEST_F(ViewTest, KeyWindowFollowsMakeKeyAndIsClearedWhenTheWindowGoes) {
    EXPECT_EQ(services().application->keyWindow(), window.get());
    EXPECT_TRUE(window->isKeyWindow());
    auto second = std::make_shared<Window>();
    second->makeKeyAndVisible();
    EXPECT_FALSE(window->isKeyWindow());
    EXPECT_EQ(services().application->keyWindow(), second.get());
    second.reset();
    EXPECT_EQ(services().application->keyWindow(), nullptr);
}

TEST_F(ViewTest, ApplicationOpensUrlsThroughItsOpenerAndMarksTheStatusBar) {
    const auto url = Url::URLWithString("https://example.org/");
    ASSERT_TRUE(url);
    EXPECT_FALSE(services().application->openURL(*url));
    EXPECT_EQ(log.size(), 1u);

    std::vector<std::string> opened;
    services().application->setUrlOpener([&](const std::string& text) {
        opened.push_back(text);
        return true;
    });
    EXPECT_TRUE(services().application->openURL(*url));
    EXPECT_EQ(opened, std::vector<std::string>{"https://example.org/"});

    window->setNeedsDisplayFlag(false);
    services().application->setStatusBarHidden(false, true);
    EXPECT_TRUE(window->needsDisplay());
    EXPECT_TRUE(services().application->statusBarAnimated());
}

class SampleCounter : public AccelerometerDelegate {
public:
    std::vector<double> xs;
    void accelerometerDidAccelerate(Accelerometer&, const Acceleration& a) override {
        xs.push_back(a.x);
    }
};

TEST_F(ViewTest, AccelerometerDeliversOnlyToALiveDelegate) {
    auto delegate = std::make_shared<SampleCounter>();
    services().accelerometer->setDelegate(delegate);
    services().accelerometer->deliver({0.5, 0, 0, 1});
    EXPECT_EQ(delegate->xs, std::vector<double>{0.5});
    delegate.reset();
    services().accelerometer->deliver({0.7, 0, 0, 2});  // nobody left: nothing happens
    EXPECT_EQ(services().accelerometer->delegate(), nullptr);
}

struct ImageTest : ViewTest {
    TempDirectory resources;
    void SetUp() override {
        services().bundle = std::make_shared<Bundle>(resources.path());
        UiTestEnvironment::writePng(resources / "checked.png", 30, 30);
        UiTestEnvironment::writePng(resources / "checked@2x.png", 60, 64);
        UiTestEnvironment::writePng(resources / "bubble.png", 82, 111);
        resources.writeFile("fake.png", "GIF89a not a png at all, but long enough");
        resources.writeFile("short.png", "\x89PNG");
    }
};

TEST_F(ImageTest, NamedPrefersTheDoubleScaleFileAndReportsPoints) {
    const auto checked = Image::named("checked.png");
    ASSERT_NE(checked, nullptr);
    EXPECT_EQ(checked->path(), (resources / "checked@2x.png").string());
    EXPECT_FLOAT_EQ(checked->scale(), 2);
    EXPECT_EQ(checked->size(), (Size{30, 32}));
    EXPECT_EQ(Image::named("checked.png"), checked);  // cached

    const auto bubble = Image::named("bubble.png");
    ASSERT_NE(bubble, nullptr);
    EXPECT_FLOAT_EQ(bubble->scale(), 1);
    EXPECT_EQ(bubble->size(), (Size{82, 111}));
    const auto withoutExtension = Image::named("bubble");  // PNG assumed
    ASSERT_NE(withoutExtension, nullptr);
    EXPECT_EQ(withoutExtension->path(), bubble->path());
}

TEST_F(ImageTest, MissingOrBrokenImagesAreNullAndReportedOnce) {
    EXPECT_EQ(Image::named("missing.png"), nullptr);
    EXPECT_EQ(Image::named("missing.png"), nullptr);
    EXPECT_EQ(Image::named("fake.png"), nullptr);
    EXPECT_EQ(Image::named("short.png"), nullptr);
    EXPECT_EQ(Image::named("../checked.png"), nullptr);
    EXPECT_EQ(log.size(), 4u);

    // The miss stays cached for the cache's lifetime; a new cache (with a bundle that lists the
    // folder anew) finds the image.
    UiTestEnvironment::writePng(resources / "missing.png", 2, 2);
    services().bundle = std::make_shared<Bundle>(resources.path());
    EXPECT_EQ(Image::named("missing.png"), nullptr);
    services().images = std::make_shared<ImageCache>();
    EXPECT_NE(Image::named("missing.png"), nullptr);
}

TEST_F(ImageTest, ImageViewTakesTheImageSizeAndDrawsByContentMode) {
    const auto bubble = Image::named("bubble.png");
    auto imageView = std::make_shared<ImageView>(bubble);
    EXPECT_EQ(imageView->frame(), (Rect{0, 0, 82, 111}));
    EXPECT_FALSE(imageView->isUserInteractionEnabled());
    window->addSubview(imageView);
    imageView->setFrame({10, 10, 100, 200});

    RecordingPainter stretched;
    window->renderTree(stretched);
    ASSERT_EQ(stretched.images().size(), 1u);
    EXPECT_EQ(stretched.images()[0].destination, (Rect{10, 10, 100, 200}));
    EXPECT_EQ(stretched.images()[0].path, bubble->path());

    imageView->setContentMode(ContentMode::Center);
    RecordingPainter centred;
    window->renderTree(centred);
    ASSERT_EQ(centred.images().size(), 1u);
    EXPECT_EQ(centred.images()[0].destination, (Rect{19, 54.5f, 82, 111}));
}

}  // namespace
}  // namespace platform
