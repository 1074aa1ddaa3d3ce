#pragma once

#include <memory>
#include <string>
#include <unordered_map>

#include "platform/ui/Image.h"

namespace platform {

// The application's images, looked up by name in the installed services' bundle and kept for
// the cache's lifetime. One per process, held by the installed services (Services::images), so
// that each test starts with an empty cache.
class ImageCache {
public:
    // "checked.png" finds checked@2x.png (scale 2) or checked.png (scale 1) in the bundle;
    // nullptr when neither exists or the file is not a PNG. Misses are kept too: a missing
    // image is looked for, and reported, once.
    std::shared_ptr<const Image> named(const std::string& name);

private:
    std::unordered_map<std::string, std::shared_ptr<const Image>> images_;
};

}  // namespace platform
