#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/ui/BarButton.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/Switch.h"
#include "platform/ui/Toolbar.h"
#include "platform/ui/Window.h"
#include "tests/support/RecordingPainter.h"
#include "tests/support/TouchDriver.h"
#include "tests/support/UiTestEnvironment.h"

namespace platform {
namespace {

struct Counter {
    int plain = 0;
    std::vector<std::string> senders;
    void bump() { ++plain; }
    void fromItem(BarButtonItem& sender) { senders.push_back(sender.title()); }
};

TEST(BarButtonItemTest, ActionsReachTheirTargetWhileItLives) {
    auto counter = std::make_shared<Counter>();
    auto item = std::make_shared<BarButtonItem>("Show All");
    item->trigger();  // no action yet: nothing happens
    EXPECT_FALSE(item->hasAction());

    item->setTarget(counter, &Counter::bump);
    item->trigger();
    EXPECT_EQ(counter->plain, 1);
    item->setTarget(counter, &Counter::fromItem);  // replaces the first action
    item->trigger();
    EXPECT_EQ(counter->plain, 1);
    EXPECT_EQ(counter->senders, std::vector<std::string>{"Show All"});

    std::weak_ptr<Counter> weak = counter;
    counter.reset();
    EXPECT_TRUE(weak.expired());  // the item did not keep its target
    item->trigger();
}

TEST(BarButtonItemTest, ATitleChangeAsksTheBarShowingItToLayOutAgain) {
    UiTestEnvironment env;
    auto window = env.makeKeyWindow();
    auto toolbar = std::make_shared<Toolbar>(Rect(0, 436, 320, 44));
    window->addSubview(toolbar);
    auto item = std::make_shared<BarButtonItem>("Go");
    toolbar->setItems({item});
    const auto button = toolbar->viewForItem(*item);
    const float before = button->frame().width();

    window->setNeedsDisplayFlag(false);
    item->setTitle("Go somewhere far away");
    EXPECT_TRUE(window->needsDisplay());
    toolbar->layoutIfNeeded();
    EXPECT_GT(button->frame().width(), before);
}

struct ToolbarTest : testing::Test {
    UiTestEnvironment env;
    std::shared_ptr<Window> window = env.makeKeyWindow();
    std::shared_ptr<Toolbar> toolbar = std::make_shared<Toolbar>(Rect(0, 436, 320, 44));

    void SetUp() override { window->addSubview(toolbar); }
};

TEST_F(ToolbarTest, ItemsRunLeftToRightAndFlexibleSpacesShareTheRest) {
    auto first = std::make_shared<BarButtonItem>("Show All");
    auto last = std::make_shared<BarButtonItem>("Hide All");
    toolbar->setItems({first, BarButtonItem::flexibleSpace(), last});
    const Rect left = toolbar->viewForItem(*first)->frame();
    const Rect right = toolbar->viewForItem(*last)->frame();
    EXPECT_EQ(left.x(), Toolbar::kMargin);
    EXPECT_EQ(right.maxX(), 320 - Toolbar::kMargin);
    EXPECT_EQ(left.y(), (44 - BarButton::kHeight) / 2);
    EXPECT_EQ(left.height(), BarButton::kHeight);

    // Two flexible spaces centre what is between them.
    auto middle = std::make_shared<BarButtonItem>("Middle");
    toolbar->setItems({BarButtonItem::flexibleSpace(), middle, BarButtonItem::flexibleSpace()});
    EXPECT_FLOAT_EQ(toolbar->viewForItem(*middle)->frame().midX(), 160);
    EXPECT_EQ(toolbar->viewForItem(*first), nullptr);
    EXPECT_EQ(toolbar->subviews().size(), 1u);  // the old buttons are gone
}

TEST_F(ToolbarTest, CustomViewsAndPlainSubviewsKeepTheirSizes) {
    auto loopSwitch = std::make_shared<Switch>(Rect(100, 8, 94, 27));
    toolbar->addSubview(loopSwitch);  // placed by its owner, not an item
    auto custom = std::make_shared<View>(Rect(0, 0, 50, 20));
    auto item = std::make_shared<BarButtonItem>(custom);
    toolbar->setItems({BarButtonItem::flexibleSpace(), item});
    toolbar->layoutIfNeeded();

    EXPECT_EQ(loopSwitch->frame(), Rect(100, 8, 94, 27));
    EXPECT_EQ(loopSwitch->superview(), toolbar.get());
    EXPECT_EQ(custom->frame(), Rect(320 - Toolbar::kMargin - 50, 12, 50, 20));

    toolbar->setItems({});
    EXPECT_EQ(custom->superview(), nullptr);
    EXPECT_EQ(loopSwitch->superview(), toolbar.get());
}

TEST_F(ToolbarTest, TappingAButtonRunsItsItem) {
    auto counter = std::make_shared<Counter>();
    auto item = std::make_shared<BarButtonItem>("Hide All");
    item->setTarget(counter, &Counter::fromItem);
    toolbar->setItems({item});
    const Rect frame = toolbar->viewForItem(*item)->frame();

    TouchDriver::tap(*window, {frame.midX(), 436 + frame.midY()});
    EXPECT_EQ(counter->senders, std::vector<std::string>{"Hide All"});
    // A finger that slides far off before lifting does not press it.
    TouchDriver::drag(*window, {frame.midX(), 436 + frame.midY()}, {300, 200});
    EXPECT_EQ(counter->senders.size(), 1u);
}

TEST_F(ToolbarTest, DrawsADarkTranslucentBarWithItsTitles) {
    auto plain = std::make_shared<BarButtonItem>("Loop", BarButtonItemStyle::Plain);
    auto done = std::make_shared<BarButtonItem>("Done", BarButtonItemStyle::Done);
    toolbar->setItems({plain, BarButtonItem::flexibleSpace(), done});
    RecordingPainter painter;
    window->renderTree(painter);

    const auto& fills = painter.fills();
    ASSERT_FALSE(fills.empty());
    float covered = 0;
    for (const auto& fill : fills) {
        if (fill.rect.x() != 0 || fill.rect.width() != 320) continue;
        EXPECT_LT(fill.color.red, 0.5f);    // dark
        EXPECT_LT(fill.color.alpha, 1.0f);  // translucent
        covered = std::max(covered, fill.rect.maxY());
    }
    EXPECT_GE(covered, 480);  // down to the bottom of the bar
    ASSERT_NE(painter.findText("Loop"), nullptr);
    ASSERT_NE(painter.findText("Done"), nullptr);
    EXPECT_EQ(painter.findText("Done")->color, Color::whiteColor());

    // A plain item has no box; a Done item sits on a blue one.
    const Rect doneFrame = toolbar->viewForItem(*done)->frame().offsetBy(0, 436);
    const bool blueBox = std::any_of(fills.begin(), fills.end(), [&](const auto& fill) {
        return fill.shape == RecordingPainter::Shape::RoundedRect &&
               fill.rect == doneFrame.insetBy(1, 1) && fill.color.blue > fill.color.red;
    });
    EXPECT_TRUE(blueBox);
    const Rect plainFrame = toolbar->viewForItem(*plain)->frame().offsetBy(0, 436);
    const bool plainBox = std::any_of(fills.begin(), fills.end(), [&](const auto& fill) {
        return fill.rect.intersects(plainFrame) && fill.rect.width() < 320;
    });
    EXPECT_FALSE(plainBox);
}

}  // namespace
}  // namespace platform
