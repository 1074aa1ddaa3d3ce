#pragma once

#include <memory>

#include "platform/ui/WindowLayout.h"

class AccessibleSoundList;
class SoundsAppDelegate;

namespace platform {
class KeyCommands;
class TableKeyboardFocus;
}  // namespace platform

// The application's interface description, built in code: the delegate, the window, the
// navigation stack with the board at its root, the About screen, every view of both screens,
// and the bindings of their fields and actions.
class MainInterface {
public:
    // Builds everything and makes the delegate the application's delegate. The returned object
    // owns the whole interface for the run.
    static std::shared_ptr<MainInterface> load();

    const std::shared_ptr<SoundsAppDelegate>& delegate() const { return delegate_; }

    // Screen geometry, in points.
    static constexpr float kScreenWidth = platform::WindowLayout::kScreen.width;
    static constexpr float kContentHeight = 416;  // below the status and navigation bars
    static constexpr float kToolbarHeight = 44;
    static constexpr float kToolbarY = kContentHeight - kToolbarHeight;
    // The delay slider: its thumb's centre sits 15 points in from the left edge at value 0 and
    // moves 91/90 of a point per second of delay, where the pop-out above it expects it.
    static constexpr float kDelaySliderX = 198;
    static constexpr float kDelaySliderWidth = 121;
    static constexpr float kDelaySliderMaximum = 90;

    MainInterface();
    ~MainInterface();

private:
    std::shared_ptr<SoundsAppDelegate> delegate_;
    // The keyboard: the bindings of both screens and the focus over the list.
    std::shared_ptr<platform::KeyCommands> keyCommands_;
    std::unique_ptr<platform::TableKeyboardFocus> listFocus_;
    // The list as screen readers see it; uses the focus above, so it goes first.
    std::shared_ptr<AccessibleSoundList> accessibleList_;
};
