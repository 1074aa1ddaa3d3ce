#include "tests/support/UiTestEnvironment.h"

#include "platform/ui/AlertView.h"
#include "platform/ui/Host.h"
#include "platform/ui/Window.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <string>
#include <vector>

namespace platform {
namespace {
uint32_t crc32(const std::vector<unsigned char>& bytes) {
    static const auto table = [] {
        std::array<uint32_t, 256> entries{};
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xedb88320u ^ (c >> 1) : c >> 1;
            entries[n] = c;
        }
        return entries;
    }();
    uint32_t c = 0xffffffffu;
    for (unsigned char byte : bytes) c = table[(c ^ byte) & 0xff] ^ (c >> 8);
    return c ^ 0xffffffffu;
}

uint32_t adler32(const std::vector<unsigned char>& bytes) {
    uint32_t a = 1;
    uint32_t b = 0;
    for (unsigned char byte : bytes) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    return (b << 16) | a;
}

void appendBigEndian(std::vector<unsigned char>& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back((value >> shift) & 0xff);
}

void appendChunk(std::vector<unsigned char>& out, const char* type,
                 const std::vector<unsigned char>& data) {
    appendBigEndian(out, static_cast<uint32_t>(data.size()));
    std::vector<unsigned char> typed(type, type + 4);
    typed.insert(typed.end(), data.begin(), data.end());
    out.insert(out.end(), typed.begin(), typed.end());
    appendBigEndian(out, crc32(typed));
}

// A zlib stream of stored (uncompressed) deflate blocks.
std::vector<unsigned char> zlibStored(const std::vector<unsigned char>& raw) {
    std::vector<unsigned char> out{0x78, 0x01};
    size_t offset = 0;
    do {
        const size_t length = std::min<size_t>(raw.size() - offset, 65535);
        const bool last = offset + length == raw.size();
        out.push_back(last ? 1 : 0);
        out.push_back(length & 0xff);
        out.push_back((length >> 8) & 0xff);
        out.push_back(~length & 0xff);
        out.push_back((~length >> 8) & 0xff);
        out.insert(out.end(), raw.begin() + static_cast<std::ptrdiff_t>(offset),
                   raw.begin() + static_cast<std::ptrdiff_t>(offset + length));
        offset += length;
    } while (offset < raw.size());
    appendBigEndian(out, adler32(raw));
    return out;
}
}  // namespace

namespace {
Services completed(Services services, std::shared_ptr<RunLoop> runLoop) {
    services.runLoop = std::move(runLoop);
    return Host::withInterfaceDefaults(std::move(services));
}
}  // namespace

UiTestEnvironment::UiTestEnvironment(Services services)
    : clock_(std::make_shared<ManualClock>()),
      runLoop_(std::make_shared<RunLoop>(clock_)),
      services_(completed(std::move(services), runLoop_)) {}

std::shared_ptr<Window> UiTestEnvironment::makeKeyWindow() {
    auto window = std::make_shared<Window>();
    window->makeKeyAndVisible();
    return window;
}

std::shared_ptr<AlertView> UiTestEnvironment::visibleAlert(const Window& window) {
    for (const auto& subview : window.subviews()) {
        auto alert = std::dynamic_pointer_cast<AlertView>(subview);
        if (alert && alert->isVisible()) return alert;
    }
    return nullptr;
}

void UiTestEnvironment::writePng(const std::filesystem::path& path, uint32_t width, uint32_t height,
                                 uint32_t rgba) {
    std::vector<unsigned char> header;
    appendBigEndian(header, width);
    appendBigEndian(header, height);
    header.insert(header.end(), {8, 6, 0, 0, 0});  // 8-bit RGBA, no interlace

    std::vector<unsigned char> raw;
    raw.reserve(static_cast<size_t>(height) * (1 + 4 * static_cast<size_t>(width)));
    for (uint32_t y = 0; y < height; ++y) {
        raw.push_back(0);  // filter: none
        for (uint32_t x = 0; x < width; ++x) appendBigEndian(raw, rgba);
    }

    std::vector<unsigned char> png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    appendChunk(png, "IHDR", header);
    appendChunk(png, "IDAT", zlibStored(raw));
    appendChunk(png, "IEND", {});
    std::ofstream(path, std::ios_base::binary)
        .write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
}

}  // namespace platform
