// The keyboard on the real interface, in virtual time: each key reaches the control a finger
// would touch, and what is heard, shown or stored follows from there.

#include "tests/app/BoardFixture.h"

#include "app/AboutViewController.h"
#include "app/DBSlider.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Key.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/Switch.h"
#include "platform/ui/Window.h"

namespace {
using platform::Key;
using platform::KeyPress;

class KeyboardTest : public BoardFixture {
protected:
    void start(int clips) {
        for (int i = 0; i < clips; ++i)
            addClip("Clip " + std::string(i < 10 ? "0" : "") + std::to_string(i), 0.2);
        launch();
        window().layoutIfNeeded();
    }
    platform::Window& window() { return *interface->delegate()->window(); }
    void press(Key key, uint32_t modifiers = platform::kKeyModifierNone, bool repeat = false) {
        window().sendKey(KeyPress{key, modifiers, repeat});
        env.runLoop().runFor(0.01);
    }
    void press(char character) { press(platform::keyFor(character)); }
    // The clips heard since the last call.
    std::vector<std::string> heard() {
        std::vector<std::string> names;
        for (size_t i = heardSoFar_; i < plays().size(); ++i) names.push_back(plays()[i].first);
        heardSoFar_ = plays().size();
        return names;
    }
    bool rowOnScreen(int row) {
        window().layoutIfNeeded();
        const auto rect = table().rectForRowAtIndexPath(platform::IndexPath::forRow(row, 0));
        const auto visible = table().bounds();
        return rect.y() >= visible.y() && rect.maxY() <= visible.maxY();
    }
    const platform::ViewController* topScreen() {
        return interface->delegate()->navigationController()->topViewController().get();
    }

    size_t heardSoFar_ = 0;
};

TEST_F(KeyboardTest, ArrowsMoveTheFocusAndReturnTapsTheFocusedRow) {
    start(30);
    press(Key::Down);
    press(Key::Down);
    press(Key::Return);
    EXPECT_EQ(heard(), std::vector<std::string>{"Clip 02"});

    press(Key::End);
    EXPECT_TRUE(rowOnScreen(29)) << "the list scrolls to the focused row";
    press(Key::Space);
    EXPECT_EQ(heard(), std::vector<std::string>{"Clip 29"});
    press(Key::PageUp);
    press(Key::Return);
    const auto afterPage = heard();
    ASSERT_EQ(afterPage.size(), 1u);
    EXPECT_LT(afterPage[0], "Clip 29");
    EXPECT_GT(afterPage[0], "Clip 20") << "a page is a screenful less one row";
    press(Key::Home);
    EXPECT_EQ(table().contentOffset().y, 0);
    press(Key::Up);  // stops at the first row
    press(Key::Return);
    EXPECT_EQ(heard(), std::vector<std::string>{"Clip 00"});
}

TEST_F(KeyboardTest, OnlyArrowKeysRepeatWhenHeld) {
    start(5);
    press(Key::Down);
    press(Key::Down, platform::kKeyModifierNone, true);
    press(Key::Return);
    press(Key::Return, platform::kKeyModifierNone, true);
    env.runLoop().runFor(1);
    EXPECT_EQ(heard(), std::vector<std::string>{"Clip 02"});
}

TEST_F(KeyboardTest, DigitsTapTheRowsAsListedNowSkippingHiddenClips) {
    start(4);
    press('e');
    press(Key::Down);
    press(Key::Space);  // the check mark of row 1: Clip 01 is hidden
    press(Key::End);
    press(Key::Space);  // and Clip 03, where the focus stays
    ASSERT_TRUE(clip("Clip 01")->hidden() && clip("Clip 03")->hidden());
    press('e');
    env.runLoop().runFor(1);
    press(Key::Return);  // the focus was on row 3, which is gone: it is on the last row now
    EXPECT_EQ(heard(), std::vector<std::string>{"Clip 02"});
    press('1');
    EXPECT_EQ(heard(), std::vector<std::string>{"Clip 00"});
    const size_t logLines = log.size();
    press('3');  // only two rows are listed
    press('x');
    press(Key::Escape);
    EXPECT_TRUE(heard().empty());
    EXPECT_EQ(log.size(), logLines) << "keys without meaning log nothing";
    EXPECT_EQ(topScreen(), &board());
}

TEST_F(KeyboardTest, EditModeMovesReachTheStoredOrder) {
    start(3);
    press('e');
    ASSERT_TRUE(table().isEditing());
    press(Key::Down, platform::kKeyModifierAlt);  // Clip 00 goes down one place
    press(Key::Down, platform::kKeyModifierAlt);  // and once more, with the focus
    press('e');
    env.runLoop().runFor(1);
    restart();
    EXPECT_EQ(soundNames(), (std::vector<std::string>{"Clip 01", "Clip 02", "Clip 00"}));
}

TEST_F(KeyboardTest, LoopAndDelayKeysWorkTheToolbarControls) {
    start(2);
    auto loopSwitch = findView<platform::Switch>();
    auto slider = findView<DBSlider>();
    press('l');
    EXPECT_TRUE(loopSwitch->isOn());
    press(Key::Right);
    press(Key::Right, platform::kKeyModifierNone, true);
    EXPECT_EQ(slider->value(), 2.0f);
    EXPECT_TRUE(!slider->delayLabel() || slider->delayLabel()->alpha() == 0)
        << "keys show no pop-out";
    press('1');
    env.runLoop().runFor(1.9);
    EXPECT_TRUE(heard().empty()) << "a delay of 2 s";
    env.runLoop().runFor(2.4);  // plays at 2 s and, looping, again at 2 + 0.2 + 2 s
    EXPECT_EQ(heard(), (std::vector<std::string>{"Clip 00", "Clip 00"}));
    press(Key::Backspace);
    EXPECT_EQ(slider->value(), 0.0f);
    press('2');
    EXPECT_EQ(heard(), std::vector<std::string>{"Clip 01"}) << "no delay any more";
}

TEST_F(KeyboardTest, AboutScreenKeysPickTheShakeModeAndGoBack) {
    start(2);
    press('a');
    press(Key::Right);  // during the slide: ignored, and not given to the board's slider
    env.runLoop().runFor(1);
    ASSERT_EQ(topScreen(), static_cast<platform::ViewController*>(
                               interface->delegate()->aboutViewController().get()));
    EXPECT_EQ(findView<DBSlider>()->value(), 0.0f);
    EXPECT_EQ(platform::services().defaults->integerForKey(kShakeTypeKey), 0);

    press(Key::Right);
    press(Key::Right);
    press(Key::Left);
    EXPECT_EQ(platform::services().defaults->objectForKey(kShakeTypeKey)->integerValue(), 1);
    press(Key::Escape);
    env.runLoop().runFor(1);
    EXPECT_EQ(topScreen(), &board());

    press('a');
    env.runLoop().runFor(1);
    press(Key::Left, platform::kKeyModifierAlt);
    env.runLoop().runFor(1);
    EXPECT_EQ(topScreen(), &board());
}

TEST_F(KeyboardTest, ReturnPressesTheAlertsButtonAndOtherKeysWait) {
    start(2);
    board().showAlertIfMuted();
    env.runLoop().runFor(1);
    press('1');
    EXPECT_TRUE(heard().empty()) << "the alert is modal";
    press(Key::Return);
    env.runLoop().runFor(1);
    EXPECT_EQ(platform::UiTestEnvironment::visibleAlert(window()), nullptr);
    press('1');
    EXPECT_EQ(heard(), std::vector<std::string>{"Clip 00"});
}

}  // namespace
