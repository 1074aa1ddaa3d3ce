#pragma once

#include "platform/ui/View.h"

#include <concepts>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace platform {

enum ControlEvents : uint32_t {
    kControlEventTouchDown = 1 << 0,
    kControlEventTouchUpInside = 1 << 6,
    kControlEventValueChanged = 1 << 12,
};

enum ControlState : uint32_t {
    kControlStateNormal = 0,
    kControlStateHighlighted = 1 << 0,
    kControlStateDisabled = 1 << 1,
    kControlStateSelected = 1 << 2,
};

// Where a control places its content (a button's image and title) inside its bounds.
enum class ControlContentVerticalAlignment { Center = 0, Top = 1, Bottom = 2, Fill = 3 };
enum class ControlContentHorizontalAlignment { Center = 0, Left = 1, Right = 2, Fill = 3 };

// A view that sends actions to targets for events. Targets are not owned: an action whose
// target has gone is skipped.
class Control : public View {
public:
    using Action = std::function<void(Control& sender)>;
    using View::View;

    // `U` may be a base class of `T` that declares the member.
    template <class T, class U>
        requires std::derived_from<T, U>
    void addTarget(const std::shared_ptr<T>& target, void (U::*action)(Control&), uint32_t events) {
        std::weak_ptr<T> weak = target;
        addAction(
            [weak, action](Control& sender) {
                if (auto strong = weak.lock()) ((*strong).*action)(sender);
            },
            events);
    }
    // An action without a target, for the host's own wiring.
    void addAction(Action action, uint32_t events);
    void removeAllActions() { actions_.clear(); }
    // Calls, in the order they were added, the actions bound to any of `events`.
    void sendActionsForControlEvents(uint32_t events);

    ControlContentVerticalAlignment contentVerticalAlignment() const { return verticalAlignment_; }
    void setContentVerticalAlignment(ControlContentVerticalAlignment alignment);
    ControlContentHorizontalAlignment contentHorizontalAlignment() const {
        return horizontalAlignment_;
    }
    void setContentHorizontalAlignment(ControlContentHorizontalAlignment alignment);

    // A disabled control ignores touches.
    bool isEnabled() const { return enabled_; }
    void setEnabled(bool enabled);
    bool isHighlighted() const { return highlighted_; }
    virtual void setHighlighted(bool highlighted);
    bool isSelected() const { return selected_; }
    virtual void setSelected(bool selected);
    bool isTracking() const { return tracking_; }
    uint32_t state() const;

    // Default tracking: highlight while the finger is inside, touch down on began, touch up
    // inside on an end within the bounds (with a margin, as fingers are imprecise).
    void touchesBegan(const TouchSet& touches, const Event& event) override;
    void touchesMoved(const TouchSet& touches, const Event& event) override;
    void touchesEnded(const TouchSet& touches, const Event& event) override;
    void touchesCancelled(const TouchSet& touches, const Event& event) override;

    // How far outside its bounds a finger still counts as inside the control.
    static constexpr float kTouchMargin = 40;

protected:
    // Whether `touch` is within the bounds grown by kTouchMargin.
    bool isTouchInside(const Touch& touch) const;
    // Called after the enabled, highlighted or selected state changed.
    virtual void stateDidChange() {}
    // Called after the content alignment changed.
    virtual void contentAlignmentDidChange() {}

private:
    struct Binding {
        Action action;
        uint32_t events;
    };
    std::vector<Binding> actions_;
    bool enabled_ = true;
    bool highlighted_ = false;
    bool selected_ = false;
    bool tracking_ = false;
    ControlContentVerticalAlignment verticalAlignment_ = ControlContentVerticalAlignment::Center;
    ControlContentHorizontalAlignment horizontalAlignment_ =
        ControlContentHorizontalAlignment::Center;
};

}  // namespace platform
