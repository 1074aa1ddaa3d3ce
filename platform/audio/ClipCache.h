#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <tuple>

#include "platform/audio/DecodedClip.h"

namespace platform {

// Decoded clips shared by every handle registered for the same unchanged file, so that a file
// registered twice is decoded once. The cache does not keep a clip alive: once no handle holds
// it, the next registration decodes the file again.
class ClipCache {
public:
    explicit ClipCache(int rate) : rate_(rate) {}

    // The clip for `path`, decoded now unless a live one for the same file (same size and
    // modification time) exists. nullptr when the file does not decode.
    std::shared_ptr<const DecodedClip> load(const std::string& path);

private:
    using Identity = std::tuple<std::string, uintmax_t, int64_t>;  // path, size, mtime

    int rate_;
    std::map<Identity, std::weak_ptr<const DecodedClip>> clips_;
};

}  // namespace platform
