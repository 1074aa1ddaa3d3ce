#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/ui/Key.h"

namespace platform {

class AlertView;
class BarButtonItem;
class Control;
class NavigationController;
class SegmentedControl;
class Slider;
class Switch;
class ViewController;
class Window;

// The keyboard's bindings, per screen. A press goes, in this order:
// - to a binding made for every screen (addEverywhere), first;
// - while an alert shows, Return and Escape press its cancel button (else its first one), and
//   every other key does nothing: the alert is modal;
// - while the navigation stack slides from one screen to another, it is ignored, so that it
//   can never act twice or on the screen that is going away;
// - otherwise to the binding of the top screen for that key and its Control and Alt state
//   (Shift is not told apart).
// A held key's repeats count only for the arrow keys. A key without a binding does nothing.
//
// Actions should do what a touch does (tap the control, trigger the bar button item), so that
// keys and touches reach the same code. Screens and the navigation controller are not owned.
class KeyCommands {
public:
    using Action = std::function<void()>;

    explicit KeyCommands(std::weak_ptr<NavigationController> navigation);

    // Binds `key` with exactly the Control and Alt state of `modifiers` on `screen`.
    void add(const std::shared_ptr<ViewController>& screen, Key key, uint32_t modifiers,
             Action action);
    void add(const std::shared_ptr<ViewController>& screen, Key key, Action action) {
        add(screen, key, kKeyModifierNone, std::move(action));
    }
    // Binds `key` (without Control or Alt) on every screen, also while an alert shows or the
    // screens slide: for what is not a control on a screen, such as shaking the device.
    void addEverywhere(Key key, Action action);

    // Actions that do to a control what a finger does (controls are not owned).
    // A tap: touch down, then touch up inside.
    static Action tap(std::weak_ptr<Control> control);
    // Flips the switch and sends ValueChanged, as a tap on it does.
    static Action toggle(std::weak_ptr<Switch> control);
    // Moves the value by `delta` within the range and sends ValueChanged when it changed.
    static Action step(std::weak_ptr<Slider> control, float delta);
    // Selects the segment `delta` places along, within the segments, as a tap on it does.
    static Action stepSegment(std::weak_ptr<SegmentedControl> control, int delta);
    // Runs the action of whichever item `item` returns at the time of the press.
    static Action trigger(std::function<std::shared_ptr<BarButtonItem>()> item);

    // Handles a press sent to `window`; true when some binding or alert took it.
    bool handle(const KeyPress& press, Window& window);

private:
    struct Binding {
        std::weak_ptr<ViewController> screen;  // non-owning
        Key key;
        uint32_t modifiers;
        Action action;
    };
    static std::shared_ptr<AlertView> visibleAlert(const Window& window);

    std::weak_ptr<NavigationController> navigation_;  // non-owning
    std::vector<Binding> bindings_;
    std::vector<Binding> everywhere_;
};

}  // namespace platform
