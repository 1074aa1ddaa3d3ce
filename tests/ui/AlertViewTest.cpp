#include "platform/foundation/Log.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Control.h"
#include "platform/ui/Window.h"
#include "tests/support/RecordingPainter.h"
#include "tests/support/TouchDriver.h"
#include "tests/support/LogInto.h"
#include "tests/support/UiTestEnvironment.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace platform {
namespace {

class ClickRecorder : public AlertViewDelegate {
public:
    std::vector<int> clicks;
    bool wasVisible = false;
    void alertViewClickedButtonAtIndex(AlertView& alert, int index) override {
        clicks.push_back(index);
        wasVisible = alert.isVisible();
    }
};

struct AlertViewTest : testing::Test {
    std::vector<std::string> log;
    UiTestEnvironment env{{.log = logInto(log)}};
    std::shared_ptr<Window> window = env.makeKeyWindow();
    std::shared_ptr<ClickRecorder> delegate = std::make_shared<ClickRecorder>();

    std::weak_ptr<AlertView> show(std::string cancel, std::vector<std::string> others = {},
                                  std::string message = "Message") {
        auto alert = std::make_shared<AlertView>("Title", std::move(message), delegate,
                                                 std::move(cancel), std::move(others));
        alert->show();
        return alert;  // the caller's reference ends here; the window keeps the alert
    }

    // Draws a frame (which lays the alert out) and taps the centre of the button.
    void press(const AlertView& alert, int index) {
        RecordingPainter painter;
        window->renderTree(painter);
        const auto button = alert.buttonAtIndex(index);
        ASSERT_NE(button, nullptr);
        const Rect frame = button->convertRect(button->bounds(), nullptr);
        TouchDriver::tap(*window, {frame.midX(), frame.midY()});
    }
};

TEST_F(AlertViewTest, StaysAliveWhileShownAndGoesAwayAfterAPress) {
    const auto weak = show("OK");
    ASSERT_FALSE(weak.expired());
    const auto alert = UiTestEnvironment::visibleAlert(*window);
    ASSERT_EQ(alert.get(), weak.lock().get());
    EXPECT_EQ(alert->frame(), window->bounds());
    EXPECT_EQ(alert->cancelButtonIndex(), 0);
    EXPECT_EQ(alert->buttonTitleAtIndex(0), "OK");

    press(*alert, 0);
    EXPECT_EQ(delegate->clicks, std::vector<int>{0});
    EXPECT_TRUE(delegate->wasVisible);  // told before it goes
    EXPECT_FALSE(alert->isVisible());
    EXPECT_EQ(UiTestEnvironment::visibleAlert(*window), nullptr);
    EXPECT_EQ(alert->superview(), window.get());  // fading out

    env.runLoop().runFor(View::kDefaultAnimationDuration);
    EXPECT_EQ(alert->superview(), nullptr);
    const AlertView* raw = alert.get();
    EXPECT_EQ(std::count_if(window->subviews().begin(), window->subviews().end(),
                            [raw](const auto& view) { return view.get() == raw; }),
              0);

    // A second press during or after the fade does nothing.
    alert->clickButtonAtIndex(0);
    EXPECT_EQ(delegate->clicks.size(), 1u);
}

TEST_F(AlertViewTest, ButtonIndicesCountTheCancelButtonFirst) {
    const auto alert = show("Cancel", {"First", "Second"}).lock();
    ASSERT_EQ(alert->numberOfButtons(), 3);
    press(*alert, 2);
    EXPECT_EQ(delegate->clicks, std::vector<int>{2});

    const auto twoButtons = show("No", {"Yes"}).lock();
    press(*twoButtons, 1);
    EXPECT_EQ(delegate->clicks, (std::vector<int>{2, 1}));

    const auto noCancel = show("", {"Only"}).lock();
    EXPECT_EQ(noCancel->cancelButtonIndex(), -1);
    press(*noCancel, 0);
    EXPECT_EQ(delegate->clicks, (std::vector<int>{2, 1, 0}));
}

TEST_F(AlertViewTest, TwoButtonsSitSideBySideMoreAreStackedWithCancelLast) {
    const auto pair = show("No", {"Yes"}).lock();
    pair->layoutIfNeeded();
    const Rect no = pair->buttonAtIndex(0)->frame();
    const Rect yes = pair->buttonAtIndex(1)->frame();
    EXPECT_EQ(no.y(), yes.y());
    EXPECT_LT(no.maxX(), yes.x());
    pair->dismissWithClickedButtonIndex(0, false);
    EXPECT_EQ(pair->superview(), nullptr);
    EXPECT_TRUE(delegate->clicks.empty());  // dismissing from code tells nobody

    const auto stack = show("Cancel", {"A", "B"}).lock();
    stack->layoutIfNeeded();
    EXPECT_LT(stack->buttonAtIndex(1)->frame().maxY(), stack->buttonAtIndex(2)->frame().y());
    EXPECT_LT(stack->buttonAtIndex(2)->frame().maxY(), stack->buttonAtIndex(0)->frame().y());
    for (int i = 0; i < 3; ++i) {
        const Rect frame = stack->buttonAtIndex(i)->frame();
        EXPECT_TRUE(stack->boxRect().contains(frame.origin));
        EXPECT_LE(frame.maxY(), stack->boxRect().maxY());
    }
}

TEST_F(AlertViewTest, WrapsTheMessageIntoLinesThatFitTheBox) {
    const std::string message = "You have muted your device, so no sounds will be heard";
    const auto alert = show("OK", {}, message).lock();
    RecordingPainter painter;  // 8 points per character of the 16-point message font
    window->renderTree(painter);
    EXPECT_TRUE(painter.texts().empty());  // fading in from nothing
    env.runLoop().runFor(View::kDefaultAnimationDuration);
    window->renderTree(painter);

    const Rect box = alert->boxRect();
    std::vector<std::string> lines;
    for (const auto& text : painter.texts())
        if (text.font.size == 16) lines.push_back(text.text);
    ASSERT_EQ(lines.size(), 2u);
    std::string joined;
    for (const auto& line : lines) {
        EXPECT_LE(painter.measureText(line, Font::systemFont(16)).width, box.width() - 32);
        joined += (joined.empty() ? "" : " ") + line;
    }
    EXPECT_EQ(joined, message);

    // Title above the message, the button below it, all inside the box.
    const auto* title = painter.findText("Title");
    ASSERT_NE(title, nullptr);
    const float lastLineBottom = painter.findText(lines.back())->box.maxY();
    EXPECT_LT(title->box.maxY(), painter.findText(lines.front())->box.y() + 0.5f);
    const Rect button =
        alert->buttonAtIndex(0)->convertRect(alert->buttonAtIndex(0)->bounds(), nullptr);
    EXPECT_GT(button.y(), lastLineBottom);
    EXPECT_LE(button.maxY(), box.maxY());
}

TEST_F(AlertViewTest, VeryLongMessagesAreCutToAFewLines) {
    std::ostringstream words;
    for (int i = 0; i < 200; ++i) words << "word" << i << ' ';
    const auto alert = show("OK", {}, words.str()).lock();
    env.runLoop().runFor(View::kDefaultAnimationDuration);
    RecordingPainter painter;
    window->renderTree(painter);
    int messageLines = 0;
    for (const auto& text : painter.texts()) messageLines += text.font.size == 16;
    EXPECT_EQ(messageLines, 6);
    EXPECT_LT(alert->boxRect().height(), window->bounds().height());
}

TEST_F(AlertViewTest, IsModalOverTheWindow) {
    auto below = std::make_shared<Control>(window->bounds());
    window->addSubview(below);
    int touched = 0;
    below->addAction([&](Control&) { ++touched; }, kControlEventTouchDown);
    show("OK");
    TouchDriver::tap(*window, {5, 5});
    TouchDriver::tap(*window, {160, 240});
    EXPECT_EQ(touched, 0);
}

TEST_F(AlertViewTest, NeedsAKeyWindowAndSharedOwnershipToShow) {
    AlertView unowned("Title", "Message", delegate, "OK");
    unowned.show();
    EXPECT_FALSE(unowned.isVisible());
    EXPECT_EQ(log.size(), 1u);

    window.reset();  // no key window any more
    const auto alert = show("OK");
    EXPECT_TRUE(alert.expired());
    EXPECT_EQ(log.size(), 2u);
}

TEST_F(AlertViewTest, APressWithoutADelegateStillCloses) {
    const auto alert = show("OK").lock();
    delegate.reset();
    press(*alert, 0);
    env.runLoop().runFor(View::kDefaultAnimationDuration);
    EXPECT_EQ(alert->superview(), nullptr);
}

}  // namespace
}  // namespace platform
