#pragma once

#include <cstdint>

namespace platform {

// A key of the keyboard, independent of the host. Printable keys are their lower-case ASCII
// character ('a', '1', ' '); the others have codes above the ASCII range.
enum class Key : int32_t {
    None = 0,
    Backspace = 8,
    Return = 13,
    Escape = 27,
    Space = ' ',
    Up = 0x100,
    Down,
    Left,
    Right,
    Home,
    End,
    PageUp,
    PageDown,
};

// The key that types `character` (a lower-case letter or a digit).
constexpr Key keyFor(char character) { return static_cast<Key>(character); }
// The arrow keys are the only ones whose held repeats count as presses.
constexpr bool isArrowKey(Key key) {
    return key == Key::Up || key == Key::Down || key == Key::Left || key == Key::Right;
}

enum KeyModifiers : uint32_t {
    kKeyModifierNone = 0,
    kKeyModifierShift = 1 << 0,
    kKeyModifierControl = 1 << 1,
    kKeyModifierAlt = 1 << 2,
};

// One key going down; `repeat` marks the copies a held key sends.
struct KeyPress {
    Key key = Key::None;
    uint32_t modifiers = kKeyModifierNone;
    bool repeat = false;
};

}  // namespace platform
