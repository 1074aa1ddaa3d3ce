#include "platform/ui/Control.h"

namespace platform {

void Control::addAction(Action action, uint32_t events) {
    if (!action || events == 0) return;
    actions_.push_back({std::move(action), events});
}

void Control::sendActionsForControlEvents(uint32_t events) {
    // An action may add or remove actions, or drop the last reference to this control.
    std::vector<Action> matching;
    for (const auto& binding : actions_)
        if (binding.events & events) matching.push_back(binding.action);
    const auto self = weak_from_this().lock();
    for (const auto& action : matching) action(*this);
}

void Control::setContentVerticalAlignment(ControlContentVerticalAlignment alignment) {
    if (alignment == verticalAlignment_) return;
    verticalAlignment_ = alignment;
    contentAlignmentDidChange();
    setNeedsLayout();
}

void Control::setContentHorizontalAlignment(ControlContentHorizontalAlignment alignment) {
    if (alignment == horizontalAlignment_) return;
    horizontalAlignment_ = alignment;
    contentAlignmentDidChange();
    setNeedsLayout();
}

void Control::setEnabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    if (!enabled_) {
        tracking_ = false;
        highlighted_ = false;
    }
    stateDidChange();
    setNeedsDisplay();
}

void Control::setHighlighted(bool highlighted) {
    if (highlighted == highlighted_) return;
    highlighted_ = highlighted;
    stateDidChange();
    setNeedsDisplay();
}

void Control::setSelected(bool selected) {
    if (selected == selected_) return;
    selected_ = selected;
    stateDidChange();
    setNeedsDisplay();
}

uint32_t Control::state() const {
    uint32_t state = kControlStateNormal;
    if (highlighted_) state |= kControlStateHighlighted;
    if (!enabled_) state |= kControlStateDisabled;
    if (selected_) state |= kControlStateSelected;
    return state;
}

bool Control::isTouchInside(const Touch& touch) const {
    return bounds().insetBy(-kTouchMargin, -kTouchMargin).contains(touch.locationInView(*this));
}

void Control::touchesBegan(const TouchSet&, const Event&) {
    if (!enabled_) return;
    tracking_ = true;
    setHighlighted(true);
    sendActionsForControlEvents(kControlEventTouchDown);
}

void Control::touchesMoved(const TouchSet& touches, const Event&) {
    if (!tracking_) return;
    setHighlighted(isTouchInside(touches.anyObject()));
}

void Control::touchesEnded(const TouchSet& touches, const Event&) {
    if (!tracking_) return;
    tracking_ = false;
    const bool inside = isTouchInside(touches.anyObject());
    setHighlighted(false);
    if (inside) sendActionsForControlEvents(kControlEventTouchUpInside);
}

void Control::touchesCancelled(const TouchSet&, const Event&) {
    tracking_ = false;
    setHighlighted(false);
}

}  // namespace platform
