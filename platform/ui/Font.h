#pragma once

#include <string>

namespace platform {

// A font by family name and size in points; the host resolves the name to a face on disk.
struct Font {
    std::string name;
    float size = 17;

    static Font boldSystemFont(float size) { return {"Liberation Sans:bold", size}; }
    static Font systemFont(float size) { return {"Liberation Sans", size}; }
    static Font named(std::string name, float size) { return {std::move(name), size}; }
    friend bool operator==(const Font&, const Font&) = default;
};

}  // namespace platform
