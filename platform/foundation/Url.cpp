#include "platform/foundation/Url.h"

#include <filesystem>
#include <string_view>
#include <system_error>

namespace platform {
namespace {
constexpr std::string_view kFileScheme = "file://";
constexpr std::string_view kHexDigits = "0123456789ABCDEF";
// Characters that are never valid unencoded anywhere in a URL.
constexpr std::string_view kExcluded = "<>\"{}|\\^`";

// ASCII only: the <cctype> functions depend on the C locale.
bool isAlpha(unsigned char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isAlnum(unsigned char c) { return isAlpha(c) || (c >= '0' && c <= '9'); }

bool isUnreservedOrSlash(unsigned char c) {
    return isAlnum(c) || c == '-' || c == '.' || c == '_' || c == '~' || c == '/';
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string percentEncodePath(const std::string& path) {
    std::string encoded;
    encoded.reserve(path.size());
    for (const char ch : path) {
        const auto c = static_cast<unsigned char>(ch);
        if (isUnreservedOrSlash(c)) {
            encoded += ch;
        } else {
            encoded += '%';
            encoded += kHexDigits[c >> 4];
            encoded += kHexDigits[c & 0xF];
        }
    }
    return encoded;
}

// Length of a valid scheme at the start of `text` followed by ':', else 0.
size_t schemeLength(std::string_view text) {
    if (text.empty() || !isAlpha(static_cast<unsigned char>(text[0]))) return 0;
    for (size_t i = 1; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == ':') return i;
        if (!isAlnum(c) && c != '+' && c != '-' && c != '.') return 0;
    }
    return 0;
}

bool isValidRest(std::string_view rest) {
    for (size_t i = 0; i < rest.size(); ++i) {
        const auto c = static_cast<unsigned char>(rest[i]);
        if (c <= 0x20 || c >= 0x7F || kExcluded.find(static_cast<char>(c)) != kExcluded.npos)
            return false;
        if (c == '%') {
            if (i + 2 >= rest.size() || hexValue(rest[i + 1]) < 0 || hexValue(rest[i + 2]) < 0)
                return false;
            i += 2;
        }
    }
    return true;
}
}  // namespace

std::optional<Url> Url::fileURLWithPath(const std::string& path) {
    if (path.empty() || path.find('\0') != std::string::npos) return std::nullopt;
    std::error_code error;
    const auto absolute = std::filesystem::absolute(path, error);
    if (error) return std::nullopt;
    return Url(std::string(kFileScheme) + percentEncodePath(absolute.string()));
}

std::optional<Url> Url::URLWithString(const std::string& text) {
    const size_t length = schemeLength(text);
    if (length == 0 || !isValidRest(std::string_view(text).substr(length + 1))) return std::nullopt;
    return Url(text);
}

std::string Url::scheme() const {
    std::string scheme = text_.substr(0, text_.find(':'));
    for (char& c : scheme)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return scheme;
}

bool Url::isFileURL() const { return scheme() == "file"; }

std::string Url::path() const {
    std::string_view rest = std::string_view(text_).substr(text_.find(':') + 1);
    // Skip the authority ("//host"), which ends where the path begins.
    if (rest.starts_with("//")) {
        const size_t end = rest.find_first_of("/?#", 2);
        rest = end == rest.npos ? std::string_view() : rest.substr(end);
    }
    rest = rest.substr(0, rest.find_first_of("?#"));

    std::string decoded;
    decoded.reserve(rest.size());
    for (size_t i = 0; i < rest.size(); ++i) {
        // Both factories let only well-formed escapes through.
        if (rest[i] == '%' && i + 2 < rest.size()) {
            decoded += static_cast<char>(hexValue(rest[i + 1]) * 16 + hexValue(rest[i + 2]));
            i += 2;
        } else {
            decoded += rest[i];
        }
    }
    if (decoded.find('\0') != std::string::npos) return {};
    return decoded;
}

}  // namespace platform
