#pragma once

#include <cstdint>

#include "platform/a11y/AccessibleNode.h"

namespace platform::a11y {

// AT-SPI2's role of the application object.
inline constexpr uint32_t kApplicationRole = 75;

// AT-SPI2's name of a role, as readers show it.
inline const char* roleName(Role role) {
    switch (role) {
        case Role::Alert:
            return "alert";
        case Role::Frame:
            return "frame";
        case Role::Label:
            return "label";
        case Role::List:
            return "list";
        case Role::ListItem:
            return "list item";
        case Role::Panel:
            return "panel";
        case Role::PushButton:
            return "push button";
        case Role::RadioButton:
            return "radio button";
        case Role::Slider:
            return "slider";
        case Role::StatusBar:
            return "status bar";
        case Role::ToggleButton:
            return "toggle button";
        case Role::ToolBar:
            return "tool bar";
    }
    return "unknown";
}

}  // namespace platform::a11y
