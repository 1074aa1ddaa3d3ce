#include "tests/app/BoardFixture.h"

#include "app/CustomCell.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Toolbar.h"

namespace {

class EditModeTest : public BoardFixture {
protected:
    void SetUp() override {
        for (const char* name : {"Bell", "Drum", "Gong", "Horn"}) addClip(name, 0.5);
        launch();
        // The two toolbars, told apart by where they stand in normal mode.
        optionsToolbar = findView<platform::Toolbar>(
            [](const platform::Toolbar& t) { return t.frame().x() == 0; });
        selectionToolbar = findView<platform::Toolbar>(
            [](const platform::Toolbar& t) { return t.frame().x() < 0; });
        ASSERT_TRUE(optionsToolbar && selectionToolbar);
    }
    std::vector<float> slidingXs() {
        return {optionsToolbar->frame().x(), button("Loop")->frame().x(),
                button("Delay")->frame().x(), selectionToolbar->frame().x()};
    }
    std::shared_ptr<platform::Toolbar> optionsToolbar;
    std::shared_ptr<platform::Toolbar> selectionToolbar;
};

TEST_F(EditModeTest, EnteringShowsEveryClipAndSlidesTheToolbarsIn) {
    clip("Drum")->setHidden(true);
    const float toolbarY = optionsToolbar->frame().y();
    board().editTable();
    EXPECT_TRUE(table().isEditing());
    EXPECT_TRUE(board().isEditing());
    EXPECT_EQ(board().editButtonItem()->title(), "Done");
    EXPECT_EQ(rowTitles(), (std::vector<std::string>{"Bell", "Drum", "Gong", "Horn"}));
    EXPECT_EQ(slidingXs(), (std::vector<float>{320, 328, 480, 0}));
    EXPECT_EQ(optionsToolbar->frame().y(), toolbarY) << "only x moves";
    EXPECT_NE(selectionToolbar->presentationFrame().x(), 0) << "the slide takes 0.4 s";
    env.runLoop().runFor(0.4);
    EXPECT_EQ(selectionToolbar->presentationFrame().x(), 0);
    EXPECT_EQ(logCount("end"), 1u);
}

TEST_F(EditModeTest, LeavingDropsHiddenRowsSlidesBackAndLogsEndOnce) {
    board().editTable();
    board().hideAll(*button("Hide All"));
    EXPECT_EQ(logCount("Hide All"), 1u);
    for (const auto& c : board().sounds()) EXPECT_TRUE(c->hidden());
    EXPECT_EQ(table().numberOfRowsInSection(0), 4) << "still listed while editing";

    board().editTable();
    EXPECT_FALSE(table().isEditing());
    EXPECT_EQ(board().editButtonItem()->title(), "Edit");
    EXPECT_EQ(table().numberOfRowsInSection(0), 0);
    EXPECT_EQ(slidingXs(), (std::vector<float>{0, 0, 156, -320}));
    EXPECT_EQ(logCount("end"), 2u);

    board().editTable();
    EXPECT_EQ(table().numberOfRowsInSection(0), 4) << "the next edit mode lists all, unchecked";
    board().showAll(*button("Show All"));
    EXPECT_EQ(logCount("Show All"), 1u);
    board().editTable();
    EXPECT_EQ(rowTitles(), (std::vector<std::string>{"Bell", "Drum", "Gong", "Horn"}));
}

TEST_F(EditModeTest, CheckButtonHidesAClipThatLeavesTheListWithEditMode) {
    board().editTable();
    auto cell = std::dynamic_pointer_cast<CustomCell>(
        board().tableViewCellForRowAtIndexPath(table(), platform::IndexPath::forRow(2, 0)));
    cell->checkButton()->sendActionsForControlEvents(platform::kControlEventTouchDown);
    EXPECT_TRUE(clip("Gong")->hidden());
    EXPECT_EQ(rowTitles().size(), 4u) << "the row stays until edit mode ends";
    board().editTable();
    EXPECT_EQ(rowTitles(), (std::vector<std::string>{"Bell", "Drum", "Horn"}));
}

TEST_F(EditModeTest, ShowAndHideAllLeaveTheConfigurationUntilEditModeEnds) {
    board().editTable();
    const auto before = *board().configuration();
    board().hideAll(*button("Hide All"));
    EXPECT_EQ(*board().configuration(), before);
    board().editTable();
    EXPECT_NE(*board().configuration(), before);
}

TEST_F(EditModeTest, ToggleSoundHideFlipsOneFlagAndLogs) {
    board().toggleSoundHide(clip("Horn"));
    EXPECT_TRUE(clip("Horn")->hidden());
    board().toggleSoundHide(clip("Horn"));
    EXPECT_FALSE(clip("Horn")->hidden());
    EXPECT_EQ(logCount("Toggled"), 2u);
}

TEST_F(EditModeTest, TheMarksRideOnTheEditModeToolbar) {
    size_t marks = 0;
    for (const auto& child : selectionToolbar->subviews())
        if (std::dynamic_pointer_cast<platform::ImageView>(child)) ++marks;
    EXPECT_EQ(marks, 2u);
}

}  // namespace
