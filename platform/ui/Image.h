#pragma once

#include "platform/ui/Geometry.h"

#include <memory>
#include <string>

namespace platform {

// A PNG image among the main bundle's resources. Only its size is read here (from the PNG
// header); the host decodes the pixels when it first draws the image.
class Image {
public:
    // "checked.png" finds checked@2x.png (scale 2) or checked.png (scale 1) in the main bundle.
    // Cached by name; nullptr when neither exists or the file is not a PNG.
    static std::shared_ptr<const Image> named(const std::string& name);
    static std::shared_ptr<const Image> fromFile(const std::string& path, float scale = 1);
    static void clearCache();

    const std::string& path() const { return path_; }
    float scale() const { return scale_; }
    // Size in points: pixels divided by scale.
    Size size() const { return size_; }

    Image(std::string path, Size size, float scale) : path_(std::move(path)), size_(size), scale_(scale) {}

private:
    std::string path_;
    Size size_;
    float scale_;
};

}  // namespace platform
