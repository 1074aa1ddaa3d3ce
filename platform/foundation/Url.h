#pragma once

#include <optional>
#include <string>

namespace platform {

// An absolute URL held as its text. File URLs are made from filesystem paths with every byte
// outside the unreserved set (and '/') percent-encoded, so any path round-trips through path().
class Url {
public:
    // A "file://" URL for `path`; a relative path is made absolute against the current folder.
    // nullopt for an empty path, a path holding NUL, or when the current folder is unknown.
    static std::optional<Url> fileURLWithPath(const std::string& path);
    // nullopt unless `text` is "scheme:rest" with a valid scheme (a letter, then letters, digits,
    // '+', '-' or '.') and no spaces, control characters, non-ASCII bytes, characters that a URL
    // never holds unencoded ("<>\"{}|\\^`") or malformed percent escapes.
    static std::optional<Url> URLWithString(const std::string& text);

    const std::string& absoluteString() const { return text_; }
    // The scheme in lower case.
    std::string scheme() const;
    bool isFileURL() const;
    // The path component, percent-decoded: for a file URL, the filesystem path. Empty when the
    // decoded path would hold a NUL byte.
    std::string path() const;

    friend bool operator==(const Url&, const Url&) = default;

private:
    explicit Url(std::string text) : text_(std::move(text)) {}

    std::string text_;
};

}  // namespace platform
