#pragma once

#include "platform/ui/Button.h"
#include "platform/ui/Font.h"
#include "platform/ui/View.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace platform {

class AlertView;

class AlertViewDelegate {
public:
    virtual ~AlertViewDelegate() = default;
    virtual void alertViewClickedButtonAtIndex(AlertView& alertView, int buttonIndex) = 0;
};

// A modal message: a dimming layer over the whole key window with a centred rounded box that
// holds a title, a message wrapped onto a few lines, and buttons. The cancel button has index
// 0 (when there is one), the other buttons follow in order. Two buttons sit side by side
// (cancel on the left); more are stacked with the cancel button last.
//
// Make it with std::make_shared: while shown, the window's view tree owns the alert, so the
// caller may drop its reference. The delegate is not owned.
class AlertView : public View {
public:
    // An empty cancelButtonTitle means no cancel button.
    AlertView(std::string title, std::string message, std::weak_ptr<AlertViewDelegate> delegate,
              std::string cancelButtonTitle, std::vector<std::string> otherButtonTitles = {});

    const std::string& title() const { return title_; }
    const std::string& message() const { return message_; }
    int numberOfButtons() const { return static_cast<int>(buttonTitles_.size()); }
    int cancelButtonIndex() const { return hasCancelButton_ ? 0 : -1; }
    std::string buttonTitleAtIndex(int index) const;
    // The button with that index while the alert exists; nullptr for an unknown index.
    std::shared_ptr<Button> buttonAtIndex(int index) const;

    // Puts the alert over the key window, fading in; logs a line when there is no key window.
    void show();
    // True from show() until the alert starts to go away.
    bool isVisible() const { return visible_; }
    // What a press of a button does: tells the delegate, then dismisses the alert.
    void clickButtonAtIndex(int index);
    // Takes the alert away without telling the delegate; animated, it fades out over
    // View::kDefaultAnimationDuration and leaves the window after that.
    void dismissWithClickedButtonIndex(int index, bool animated);

    // The rounded box, in the alert's bounds.
    Rect boxRect() const;

    void layoutSubviews() override;
    void draw(Painter& painter) override;
    // The alert is modal: touches that miss its buttons end here.
    void touchesBegan(const TouchSet&, const Event&) override {}
    void touchesMoved(const TouchSet&, const Event&) override {}
    void touchesEnded(const TouchSet&, const Event&) override {}
    void touchesCancelled(const TouchSet&, const Event&) override {}

private:
    using Measure = std::function<float(const std::string&)>;
    // Greedy word wrap of the message into at most kMaxMessageLines lines of `width`.
    std::vector<std::string> wrapMessage(float width, const Measure& measure) const;
    float boxHeight() const;

    std::string title_;
    std::string message_;
    std::weak_ptr<AlertViewDelegate> delegate_;  // non-owning
    bool hasCancelButton_;
    std::vector<std::string> buttonTitles_;         // by button index
    std::vector<std::shared_ptr<Button>> buttons_;  // by button index
    // Laid out with an estimate of text widths until the first draw measures them.
    std::vector<std::string> messageLines_;
    bool visible_ = false;
};

}  // namespace platform
