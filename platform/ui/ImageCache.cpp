#include "platform/ui/ImageCache.h"

#include "platform/foundation/Bundle.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/Services.h"

namespace platform {

std::shared_ptr<const Image> ImageCache::named(const std::string& name) {
    if (auto it = images_.find(name); it != images_.end()) return it->second;

    const size_t dot = name.rfind('.');
    const std::string base = dot == std::string::npos ? name : name.substr(0, dot);
    const std::string type = dot == std::string::npos ? "png" : name.substr(dot + 1);
    std::shared_ptr<const Image> image;
    const Bundle& bundle = *services().bundle;
    if (auto path = bundle.pathForResource(base + "@2x", type))
        image = Image::fromFile(*path, 2);
    else if (auto path = bundle.pathForResource(base, type))
        image = Image::fromFile(*path, 1);
    else if (bundle.hasFolder())  // without one, the bundle has said so already
        Log::print("Image: no image named %s", name.c_str());
    images_.emplace(name, image);
    return image;
}

}  // namespace platform
