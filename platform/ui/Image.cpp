#include "platform/ui/Image.h"

#include "platform/foundation/Log.h"
#include "platform/foundation/Services.h"
#include "platform/ui/ImageCache.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <fstream>
#include <optional>

namespace platform {
namespace {
uint32_t bigEndian32(const unsigned char* bytes) {
    return (uint32_t{bytes[0]} << 24) | (uint32_t{bytes[1]} << 16) | (uint32_t{bytes[2]} << 8) |
           uint32_t{bytes[3]};
}

// A PNG file starts with its 8-byte signature and then the IHDR chunk: length, type, width and
// height, big-endian.
std::optional<Size> pngPixelSize(const std::string& path) {
    static constexpr std::array<unsigned char, 8> kSignature = {0x89, 'P',  'N',  'G',
                                                                '\r', '\n', 0x1a, '\n'};
    std::ifstream file(path, std::ios_base::binary);
    std::array<unsigned char, 24> header{};
    if (!file.read(reinterpret_cast<char*>(header.data()), header.size())) return std::nullopt;
    if (!std::equal(kSignature.begin(), kSignature.end(), header.begin())) return std::nullopt;
    if (std::string(header.begin() + 12, header.begin() + 16) != "IHDR") return std::nullopt;
    const uint32_t width = bigEndian32(&header[16]);
    const uint32_t height = bigEndian32(&header[20]);
    // The format allows up to 2^31 - 1 pixels each way, and never zero.
    if (width == 0 || height == 0 || width > 0x7fffffff || height > 0x7fffffff) return std::nullopt;
    return Size{static_cast<float>(width), static_cast<float>(height)};
}
}  // namespace

std::shared_ptr<const Image> Image::fromFile(const std::string& path, float scale) {
    if (!(scale > 0)) scale = 1;
    const auto pixels = pngPixelSize(path);
    if (!pixels) {
        Log::print("Image: %s is not a readable PNG file", path.c_str());
        return nullptr;
    }
    return std::make_shared<const Image>(path, Size{pixels->width / scale, pixels->height / scale},
                                         scale);
}

std::shared_ptr<const Image> Image::named(const std::string& name) {
    return services().images->named(name);
}

}  // namespace platform
