#pragma once

#include "platform/ui/Key.h"
#include "platform/ui/View.h"
#include "platform/ui/WindowLayout.h"

#include <functional>
#include <memory>

namespace platform {

// The root of the view tree, the size of the screen (WindowLayout::kScreen). It routes touches from
// the host to the view under the finger and records whether anything needs drawing again.
class Window : public View {
public:
    explicit Window(const Rect& frame = Rect(0, 0, WindowLayout::kScreen.width,
                                             WindowLayout::kScreen.height));
    ~Window() override;

    // Shows the window and makes it the application's key window.
    void makeKeyAndVisible();
    bool isKeyWindow() const { return key_; }

    // One finger from the host, in window points. A touch that begins on a view keeps going to
    // that view until it ends or is cancelled.
    // A touch that begins while another is down cancels the earlier one first.
    void sendTouch(TouchPhase phase, Point location, double timestamp);
    // Keys go to one handler (the interface's key commands); it returns whether it took the
    // press. A window without one ignores keys.
    using KeyHandler = std::function<bool(const KeyPress& press)>;
    void setKeyHandler(KeyHandler handler) { keyHandler_ = std::move(handler); }
    bool sendKey(const KeyPress& press) { return keyHandler_ && keyHandler_(press); }
    // The view receiving the touch that is down, if any.
    // Lays out and draws the whole tree with presentation values.
    void renderTree(Painter& painter);

    // Set by any change that shows on screen; cleared by the host once drawn.
    bool needsDisplay() const { return needsDisplay_; }
    void setNeedsDisplayFlag(bool needs) { needsDisplay_ = needs; }

private:
    bool key_ = false;
    bool needsDisplay_ = true;
    std::weak_ptr<View> touchedView_;
    Touch touch_;
    KeyHandler keyHandler_;
};

}  // namespace platform
