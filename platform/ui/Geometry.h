#pragma once

namespace platform {

// Geometry in points, single precision; the origin is the top left corner.
struct Point {
    float x = 0;
    float y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
    float width = 0;
    float height = 0;
    friend bool operator==(const Size&, const Size&) = default;
};

struct Rect {
    Point origin;
    Size size;

    constexpr Rect() = default;
    constexpr Rect(float x, float y, float width, float height)
        : origin{x, y}, size{width, height} {}

    float x() const { return origin.x; }
    float y() const { return origin.y; }
    float width() const { return size.width; }
    float height() const { return size.height; }
    float maxX() const { return origin.x + size.width; }
    float maxY() const { return origin.y + size.height; }
    float midX() const { return origin.x + size.width / 2; }
    float midY() const { return origin.y + size.height / 2; }
    bool contains(Point p) const {
        return p.x >= origin.x && p.x < maxX() && p.y >= origin.y && p.y < maxY();
    }
    bool intersects(const Rect& other) const {
        return origin.x < other.maxX() && other.origin.x < maxX() && origin.y < other.maxY() &&
               other.origin.y < maxY();
    }
    Rect offsetBy(float dx, float dy) const { return {x() + dx, y() + dy, width(), height()}; }
    Rect insetBy(float dx, float dy) const {
        return {x() + dx, y() + dy, width() - 2 * dx, height() - 2 * dy};
    }
    Rect withX(float newX) const { return {newX, y(), width(), height()}; }
    friend bool operator==(const Rect&, const Rect&) = default;
};

inline constexpr Rect kRectZero{};

}  // namespace platform
