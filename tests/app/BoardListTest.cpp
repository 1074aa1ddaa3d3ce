#include "tests/app/BoardFixture.h"

#include "app/CustomCell.h"
#include "platform/ui/Image.h"
#include "platform/ui/Label.h"
#include "platform/ui/NavigationController.h"
#include "tests/support/RecordingPainter.h"
#include "tests/support/ScopedEnvironment.h"
#include "tests/support/TouchDriver.h"
#include "platform/foundation/Services.h"

namespace {
using platform::IndexPath;

class BoardListTest : public BoardFixture {
protected:
    void SetUp() override {
        addClip("Bell", 1.0);
        addClip("Gong", 2.0);
        addClip("Horn", 0.5);
    }
    std::shared_ptr<CustomCell> cellAt(int row) {
        return std::dynamic_pointer_cast<CustomCell>(
            board().tableViewCellForRowAtIndexPath(table(), IndexPath::forRow(row, 0)));
    }
};

// What a launched board gives a person: the bar's left button enters edit mode, where a tapped
// row still plays at once; shakes reach the board through the sensor, sampled 50 times a second.
TEST_F(BoardListTest, LaunchedBoardEditsFromTheBarPlaysInEditModeAndHearsTheSensor) {
    launch();
    auto& window = *interface->delegate()->window();
    const auto drawAndTap = [&](platform::Point point) {
        platform::RecordingPainter painter;
        window.renderTree(painter);  // lays the views out where touches find them
        platform::TouchDriver::tap(window, point);
    };
    drawAndTap({29, 42});  // the bar's left button
    ASSERT_TRUE(table().isEditing());
    env.runLoop().runFor(1);
    drawAndTap({200, 64 + 22});  // the first row's title
    env.runLoop().runUntilIdle();
    ASSERT_EQ(plays().size(), 1u);
    EXPECT_EQ(plays()[0].first, "Bell");

    auto& accelerometer = *platform::services().accelerometer;
    EXPECT_EQ(accelerometer.updateInterval(), 0.02);
    accelerometer.deliver({0, 0, -1, 0});
    accelerometer.deliver({2.5, 2.5, -1, 0});
    EXPECT_EQ(logCount("Shaking"), 1u);
}

TEST_F(BoardListTest, WithoutABundleNameTheTitleIsEmpty) {
    launch();
    EXPECT_EQ(board().title(), "");
}

TEST_F(BoardListTest, OnlyUprightPortraitIsAccepted) {
    launch();
    using O = platform::InterfaceOrientation;
    EXPECT_TRUE(board().shouldAutorotateToInterfaceOrientation(O::Portrait));
    for (O other : {O::PortraitUpsideDown, O::LandscapeLeft, O::LandscapeRight})
        EXPECT_FALSE(board().shouldAutorotateToInterfaceOrientation(other));
}

TEST_F(BoardListTest, NormalModeListsShownClipsEditModeListsAll) {
    launch();
    clip("Gong")->setHidden(true);
    EXPECT_EQ(rowTitles(), (std::vector<std::string>{"Bell", "Horn"}));
    EXPECT_EQ(board().numberOfSectionsInTableView(table()), 1);
    for (int row = 0; row < 2; ++row) {
        auto cell = cellAt(row);
        EXPECT_TRUE(cell->checkButton()->isHidden());
        EXPECT_EQ(cell->titleLabel()->textColor(), platform::Color::black());
    }

    board().editTable();
    EXPECT_EQ(rowTitles(), (std::vector<std::string>{"Bell", "Gong", "Horn"}));
    auto gong = cellAt(1);
    EXPECT_FALSE(gong->checkButton()->isHidden());
    EXPECT_EQ(gong->titleLabel()->textColor(), platform::Color::gray());
    EXPECT_EQ(gong->checkButton()->imageForState(platform::kControlStateNormal),
              platform::Image::named("unchecked.png"));
    EXPECT_EQ(cellAt(0)->titleLabel()->textColor(), platform::Color::black());
    EXPECT_TRUE(cellAt(0)->showsReorderControl());
    EXPECT_EQ(board().tableViewEditingStyleForRowAtIndexPath(table(), IndexPath::forRow(0, 0)),
              platform::TableViewCellEditingStyle::None);

    for (const char* name : {"Bell", "Horn"}) clip(name)->setHidden(true);
    board().editTable();
    EXPECT_TRUE(rowTitles().empty()) << "every clip hidden: no rows";
}

TEST_F(BoardListTest, MovingRowsMovesClipsWithinTheCatalogue) {
    addClip("Drum", 1.0);  // list order: Bell, Drum, Gong, Horn
    launch();
    board().editTable();
    board().tableViewMoveRowAtIndexPathToIndexPath(table(), IndexPath::forRow(2, 0),
                                                   IndexPath::forRow(0, 0));
    EXPECT_EQ(soundNames(), (std::vector<std::string>{"Gong", "Bell", "Drum", "Horn"}));
    board().tableViewMoveRowAtIndexPathToIndexPath(table(), IndexPath::forRow(0, 0),
                                                   IndexPath::forRow(3, 0));
    EXPECT_EQ(soundNames(), (std::vector<std::string>{"Bell", "Drum", "Horn", "Gong"}));
}

TEST_F(BoardListTest, TapPlaysAfterTheDelayAndHighlightsUntilTheFirstPlayHasEnded) {
    launch();
    clip("Bell")->play();  // now measured: 1 s
    const double start = env.clock().now();
    tapRow(0);
    EXPECT_EQ(board().shakeSoundIndexPath(), IndexPath::forRow(0, 0));
    EXPECT_EQ(table().indexPathForSelectedRow(), IndexPath::forRow(0, 0));
    EXPECT_EQ(plays().size(), 1u) << "nothing plays within the tap";
    env.runLoop().runUntilIdle();
    ASSERT_EQ(plays().size(), 2u);
    EXPECT_EQ(plays().back(), std::make_pair(std::string("Bell"), start));

    env.runLoop().runFor(0.99);
    EXPECT_TRUE(table().indexPathForSelectedRow()) << "still highlighted while it plays";
    env.runLoop().runFor(0.02);
    EXPECT_FALSE(table().indexPathForSelectedRow());
}

TEST_F(BoardListTest, FirstTapOnAnUnplayedClipEndsItsHighlightWhenTheClipStarts) {
    launch();
    tapRow(1);
    env.runLoop().runUntilIdle();
    EXPECT_EQ(plays().size(), 1u);
    EXPECT_FALSE(table().indexPathForSelectedRow());
    EXPECT_NEAR(clip("Gong")->duration(), 2.0, 1e-3);
}

TEST_F(BoardListTest, SecondTapBeforeTheFirstStartsCancelsIt) {
    launch();
    tapRow(0);
    tapRow(2);
    env.runLoop().runFor(5);
    ASSERT_EQ(plays().size(), 1u);
    EXPECT_EQ(plays()[0].first, "Horn");
    EXPECT_EQ(board().shakeSoundIndexPath(), IndexPath::forRow(2, 0));
}

TEST_F(BoardListTest, TitleIsTheLocalizedBundleNameWhenThereIsOne) {
    folder.writeFile("Resources/Info.json", R"({"CFBundleName": "Soundboard"})");
    folder.writeFile("Resources/de.lproj/InfoPlist.json", R"({"CFBundleName": "Klangbrett"})");
    platform::ScopedEnvironment locale("LC_ALL", "de_DE.UTF-8");
    launch();
    EXPECT_EQ(board().title(), "Klangbrett");
}

TEST_F(BoardListTest, TitleIsTheBundleNameAgainAfterTheAboutScreen) {
    folder.writeFile("Resources/Info.json", R"({"CFBundleName": "Soundboard"})");
    launch();
    EXPECT_EQ(board().title(), "Soundboard");

    platform::BarButtonItem sender("About");
    interface->delegate()->about(sender);
    EXPECT_EQ(board().title(), "back");
    env.runLoop().runFor(1);
    interface->delegate()->navigationController()->popViewControllerAnimated(true);
    env.runLoop().runFor(1);
    EXPECT_EQ(board().title(), "Soundboard");
}

}  // namespace
