#include "app/CustomCell.h"

#include "app/SoundEffect.h"
#include "platform/foundation/Bundle.h"
#include "platform/ui/Image.h"
#include "platform/ui/Window.h"
#include "tests/support/RecordingPainter.h"
#include "tests/support/TempDirectory.h"
#include "tests/support/TouchDriver.h"
#include "tests/support/UiTestEnvironment.h"

#include <gtest/gtest.h>

#include <memory>

namespace {
using platform::Bundle;
using platform::Color;
using platform::Image;
using platform::Point;
using platform::Rect;
using platform::TouchDriver;

struct CustomCellTest : testing::Test {
    platform::UiTestEnvironment env;
    std::shared_ptr<platform::Window> window = env.makeKeyWindow();
    std::shared_ptr<SoundEffect> bell = std::make_shared<SoundEffect>("/clips/Bell.wav");

    CustomCellTest() {
        platform::services().bundle = std::make_shared<Bundle>(SOUNDBOARD_RESOURCES_DIR);
    }

    // A cell as the list makes it, shown as a row 100 points down the window.
    std::shared_ptr<CustomCell> placedCell() {
        auto cell = CustomCell::create(platform::kRectZero, "CustomCell");
        cell->setFrame({0, 100, 320, 44});
        cell->setSound(bell);
        window->addSubview(cell);
        return cell;
    }
    // The check button's centre in window points.
    Point buttonCentre(const CustomCell& cell) const {
        const Rect f = cell.checkButton()->frame();
        return cell.convertPoint({f.midX(), f.midY()}, nullptr);
    }
};

// Its look is the screenshots'; here: what a new row shows and where.
TEST_F(CustomCellTest, NewRowShowsTheCheckedMarkAtItsLeftAndItsTitleCentredInBlack) {
    const auto cell = placedCell();
    EXPECT_EQ(cell->reuseIdentifier(), "CustomCell");
    cell->titleLabel()->setText("Bell");
    platform::RecordingPainter painter;
    window->renderTree(painter);

    const auto checked = Image::named("checked.png");
    ASSERT_NE(checked, nullptr);
    ASSERT_EQ(painter.images().size(), 1u);
    EXPECT_EQ(painter.images()[0].path, checked->path());
    EXPECT_EQ(painter.images()[0].destination,
              Rect(6, 100 + 7, checked->size().width, checked->size().height));

    const auto* title = painter.findText("Bell");
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->color, Color::black());
    EXPECT_EQ(title->alignment, platform::TextAlignment::Center);
    EXPECT_FLOAT_EQ(title->box.midX(), 160) << "centred across the row";
}

TEST_F(CustomCellTest, PressingTheButtonFlipsTheSharedClipAndTheLook) {
    const auto cell = placedCell();
    const auto unchecked = Image::named("unchecked.png");
    const auto checked = Image::named("checked.png");

    TouchDriver::tap(*window, buttonCentre(*cell));
    EXPECT_TRUE(bell->hidden());  // the catalogue's own object, not a copy
    EXPECT_EQ(cell->checkButton()->imageForState(platform::kControlStateNormal), unchecked);
    EXPECT_EQ(cell->titleLabel()->textColor(), Color::gray());
    // The background stays as built; the image is drawn over it.
    EXPECT_EQ(cell->checkButton()->backgroundImageForState(platform::kControlStateNormal), checked);
    EXPECT_EQ(cell->superview(), window.get());

    TouchDriver::tap(*window, buttonCentre(*cell));
    EXPECT_FALSE(bell->hidden());
    EXPECT_EQ(cell->checkButton()->imageForState(platform::kControlStateNormal), checked);
    EXPECT_EQ(cell->titleLabel()->textColor(), Color::black());
}

TEST_F(CustomCellTest, TheToggleFiresWhenTheFingerComesDown) {
    const auto cell = placedCell();
    TouchDriver::down(*window, buttonCentre(*cell));
    EXPECT_TRUE(bell->hidden());
    TouchDriver::move(*window, {300, 400});
    TouchDriver::up(*window, {300, 400});
    env.runLoop().runUntilIdle();
    EXPECT_TRUE(bell->hidden());  // sliding away neither undoes nor repeats it

    // A touch on the title is no press of the button.
    TouchDriver::tap(*window, cell->convertPoint({200, 22}, nullptr));
    EXPECT_TRUE(bell->hidden());
}

TEST_F(CustomCellTest, WithoutAClipTheToggleShowsTheShownState) {
    const auto cell = CustomCell::create(platform::kRectZero, "CustomCell");
    cell->checkButton()->setImage(Image::named("unchecked.png"), platform::kControlStateNormal);
    cell->titleLabel()->setTextColor(Color::gray());

    cell->checkButton()->sendActionsForControlEvents(platform::kControlEventTouchDown);
    EXPECT_EQ(cell->checkButton()->imageForState(platform::kControlStateNormal),
              Image::named("checked.png"));
    EXPECT_EQ(cell->titleLabel()->textColor(), Color::black());

    // Once a clip is set, a press works on its flag: a hidden clip is shown again.
    bell->setHidden(true);
    cell->setSound(bell);
    cell->checkButton()->sendActionsForControlEvents(platform::kControlEventTouchDown);
    EXPECT_FALSE(bell->hidden());
    EXPECT_EQ(cell->titleLabel()->textColor(), Color::black());
}

TEST_F(CustomCellTest, TheTitleFollowsTheContentWidthAndTheButtonKeepsItsPlace) {
    const auto cell = placedCell();
    const Rect title = cell->titleLabel()->frame();
    const Rect button = cell->checkButton()->frame();

    const Rect content = cell->contentView()->frame();
    cell->contentView()->setFrame(
        {content.x(), content.y(), content.width() + 40, content.height()});
    EXPECT_EQ(cell->titleLabel()->frame(),
              Rect(title.x(), title.y(), title.width() + 40, title.height()));

    // Editing indents and narrows the content view; the title narrows with it while the
    // button stays at the row's left edge.
    cell->setFrame({0, 100, 320, 44});
    cell->setShowsReorderControl(true);
    cell->setEditing(true, false);
    const Rect indented = cell->contentView()->frame();
    EXPECT_GT(indented.x(), content.x());
    EXPECT_FLOAT_EQ(cell->titleLabel()->frame().width(), indented.width());
    EXPECT_EQ(cell->checkButton()->frame(), button);
}

TEST_F(CustomCellTest, AHighlightedRowDrawsItsTitleWhite) {
    const auto cell = placedCell();
    cell->titleLabel()->setText("Bell");
    cell->titleLabel()->setTextColor(Color::gray());

    cell->setHighlighted(true, false);
    platform::RecordingPainter painter;
    window->renderTree(painter);
    const auto* drawn = painter.findText("Bell");
    ASSERT_NE(drawn, nullptr);
    EXPECT_EQ(drawn->color, Color::whiteColor());
    EXPECT_EQ(drawn->alignment, platform::TextAlignment::Center);

    cell->setHighlighted(false, false);
    painter.clear();
    window->renderTree(painter);
    drawn = painter.findText("Bell");
    ASSERT_NE(drawn, nullptr);
    EXPECT_EQ(drawn->color, Color::gray());
}

TEST_F(CustomCellTest, MissingImagesGiveAnEmptyButtonThatStillToggles) {
    platform::TempDirectory empty;
    platform::services().bundle = std::make_shared<Bundle>(empty.path());
    const auto cell = CustomCell::create(platform::kRectZero, "CustomCell");
    EXPECT_EQ(cell->checkButton()->frame(), Rect(cell->contentView()->bounds().x() + 6, 7, 0, 0));
    EXPECT_EQ(cell->checkButton()->backgroundImageForState(platform::kControlStateNormal), nullptr);
    cell->setSound(bell);
    cell->checkAction(*cell->checkButton());
    EXPECT_TRUE(bell->hidden());
    EXPECT_EQ(cell->titleLabel()->textColor(), Color::gray());
}

TEST_F(CustomCellTest, TheButtonDoesNotKeepItsCellAlive) {
    auto cell = CustomCell::create(platform::kRectZero, "CustomCell");
    cell->setSound(bell);
    const std::weak_ptr<CustomCell> weakCell = cell;
    const auto button = cell->checkButton();
    cell.reset();
    EXPECT_TRUE(weakCell.expired());
    EXPECT_EQ(bell.use_count(), 1);  // the cell gave up its clip

    // A press after the cell has gone reaches nobody.
    button->sendActionsForControlEvents(platform::kControlEventTouchDown);
    EXPECT_FALSE(bell->hidden());
}

}  // namespace
