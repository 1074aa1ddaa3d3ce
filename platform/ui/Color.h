#pragma once

namespace platform {

// An RGBA colour, each component 0..1.
struct Color {
    float red = 0;
    float green = 0;
    float blue = 0;
    float alpha = 0;

    static constexpr Color white(float white, float alpha = 1) { return {white, white, white, alpha}; }
    static constexpr Color rgb(float r, float g, float b, float a = 1) { return {r, g, b, a}; }
    static constexpr Color black() { return white(0); }
    static constexpr Color whiteColor() { return white(1); }
    static constexpr Color gray() { return white(0.5f); }
    static constexpr Color darkGray() { return white(1.0f / 3); }
    static constexpr Color lightGray() { return white(2.0f / 3); }
    static constexpr Color clear() { return white(0, 0); }

    bool isClear() const { return alpha <= 0; }
    friend bool operator==(const Color&, const Color&) = default;
};

}  // namespace platform
