#include "platform/audio/ClipCache.h"

#include <filesystem>

namespace platform {

std::shared_ptr<const DecodedClip> ClipCache::load(const std::string& path) {
    std::erase_if(clips_, [](const auto& entry) { return entry.second.expired(); });
    std::error_code error;
    const uintmax_t size = std::filesystem::file_size(path, error);
    if (error) return nullptr;
    const auto modified = std::filesystem::last_write_time(path, error);
    if (error) return nullptr;
    const Identity identity{path, size, modified.time_since_epoch().count()};
    if (const auto found = clips_.find(identity); found != clips_.end()) {
        if (auto clip = found->second.lock()) return clip;
    }
    auto clip = DecodedClip::decode(path, rate_);
    if (clip) clips_[identity] = clip;
    return clip;
}

}  // namespace platform
