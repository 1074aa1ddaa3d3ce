#pragma once

#include "platform/ui/Geometry.h"

#include <memory>
#include <string>

namespace platform {

// A PNG image, usually among the application's resources. Only its size is read here (from the
// PNG header); the host decodes the pixels when it first draws the image.
class Image {
public:
    // The image of that name in the installed services' image cache (see ImageCache::named).
    static std::shared_ptr<const Image> named(const std::string& name);
    // nullptr (and a log line) when the file is not a readable PNG.
    static std::shared_ptr<const Image> fromFile(const std::string& path, float scale = 1);

    const std::string& path() const { return path_; }
    float scale() const { return scale_; }
    // Size in points: pixels divided by scale.
    Size size() const { return size_; }

    Image(std::string path, Size size, float scale)
        : path_(std::move(path)), size_(size), scale_(scale) {}

private:
    std::string path_;
    Size size_;
    float scale_;
};

}  // namespace platform
