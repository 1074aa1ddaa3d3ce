#include "platform/ui/KeyCommands.h"

#include <algorithm>

#include "platform/ui/AlertView.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/SegmentedControl.h"
#include "platform/ui/Slider.h"
#include "platform/ui/Switch.h"
#include "platform/ui/Window.h"

namespace platform {
namespace {
constexpr uint32_t kDistinguishedModifiers = kKeyModifierControl | kKeyModifierAlt;
}  // namespace

KeyCommands::KeyCommands(std::weak_ptr<NavigationController> navigation)
    : navigation_(std::move(navigation)) {}

void KeyCommands::add(const std::shared_ptr<ViewController>& screen, Key key, uint32_t modifiers,
                      Action action) {
    bindings_.push_back({screen, key, modifiers & kDistinguishedModifiers, std::move(action)});
}

KeyCommands::Action KeyCommands::tap(std::weak_ptr<Control> control) {
    return [control = std::move(control)] {
        if (auto strong = control.lock(); strong && strong->isEnabled())
            strong->sendActionsForControlEvents(kControlEventTouchDown |
                                                kControlEventTouchUpInside);
    };
}

KeyCommands::Action KeyCommands::toggle(std::weak_ptr<Switch> control) {
    return [control = std::move(control)] {
        auto strong = control.lock();
        if (!strong || !strong->isEnabled()) return;
        strong->setOn(!strong->isOn(), true);
        strong->sendActionsForControlEvents(kControlEventValueChanged);
    };
}

KeyCommands::Action KeyCommands::step(std::weak_ptr<Slider> control, float delta) {
    return [control = std::move(control), delta] {
        auto strong = control.lock();
        if (!strong || !strong->isEnabled()) return;
        const float before = strong->value();
        strong->setValue(before + delta);
        if (strong->value() != before)
            strong->sendActionsForControlEvents(kControlEventValueChanged);
    };
}

KeyCommands::Action KeyCommands::stepSegment(std::weak_ptr<SegmentedControl> control, int delta) {
    return [control = std::move(control), delta] {
        auto strong = control.lock();
        if (!strong || !strong->isEnabled() || strong->numberOfSegments() == 0) return;
        // With no segment selected (-1), the first step lands on the first segment.
        const int before = strong->selectedSegmentIndex();
        const int to = std::clamp(before + delta, 0, strong->numberOfSegments() - 1);
        if (to == before) return;
        strong->setSelectedSegmentIndex(to);
        strong->sendActionsForControlEvents(kControlEventValueChanged);
    };
}

KeyCommands::Action KeyCommands::trigger(std::function<std::shared_ptr<BarButtonItem>()> item) {
    return [item = std::move(item)] {
        if (auto strong = item()) strong->trigger();
    };
}

void KeyCommands::addEverywhere(Key key, Action action) {
    everywhere_.push_back({{}, key, kKeyModifierNone, std::move(action)});
}

bool KeyCommands::handle(const KeyPress& press, Window& window) {
    if (press.repeat && !isArrowKey(press.key)) return false;
    for (const auto& binding : everywhere_) {
        if (binding.key != press.key || (press.modifiers & kDistinguishedModifiers) != 0) continue;
        const Action action = binding.action;
        action();
        return true;
    }
    if (const auto alert = visibleAlert(window)) {
        const bool closes = (press.key == Key::Return || press.key == Key::Escape) &&
                            (press.modifiers & kDistinguishedModifiers) == 0;
        const int index = std::max(alert->cancelButtonIndex(), 0);
        const auto button = closes ? alert->buttonAtIndex(index) : nullptr;
        if (!button) return false;
        // What a finger on the button sends.
        button->sendActionsForControlEvents(kControlEventTouchDown | kControlEventTouchUpInside);
        return true;
    }

    const auto navigation = navigation_.lock();
    if (!navigation || navigation->isTransitioning()) return false;
    const auto top = navigation->topViewController();
    const uint32_t modifiers = press.modifiers & kDistinguishedModifiers;
    for (const auto& binding : bindings_) {
        if (binding.key != press.key || binding.modifiers != modifiers) continue;
        if (binding.screen.lock() != top) continue;
        // Copied: the action may add bindings.
        const Action action = binding.action;
        action();
        return true;
    }
    return false;
}

std::shared_ptr<AlertView> KeyCommands::visibleAlert(const Window& window) {
    const auto& views = window.subviews();
    for (auto it = views.rbegin(); it != views.rend(); ++it)
        if (auto alert = std::dynamic_pointer_cast<AlertView>(*it); alert && alert->isVisible())
            return alert;
    return nullptr;
}

}  // namespace platform
