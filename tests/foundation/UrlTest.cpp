#include <gtest/gtest.h>

#include <filesystem>

#include "platform/foundation/Url.h"

namespace platform {
namespace {

TEST(UrlTest, FileUrlEncodesThePathAndDecodesItBack) {
    const auto url = Url::fileURLWithPath("/tmp/Door Bell #1?%.wav");
    ASSERT_TRUE(url);
    EXPECT_EQ(url->absoluteString(), "file:///tmp/Door%20Bell%20%231%3F%25.wav");
    EXPECT_TRUE(url->isFileURL());
    EXPECT_EQ(url->scheme(), "file");
    EXPECT_EQ(url->path(), "/tmp/Door Bell #1?%.wav");
}

TEST(UrlTest, FileUrlKeepsNonAsciiBytes) {
    const std::string path = "/clips/Caf\xC3\xA9 \xFF.wav";
    const auto url = Url::fileURLWithPath(path);
    ASSERT_TRUE(url);
    EXPECT_EQ(url->absoluteString(), "file:///clips/Caf%C3%A9%20%FF.wav");
    EXPECT_EQ(url->path(), path);
}

TEST(UrlTest, RelativeFilePathIsMadeAbsolute) {
    const auto url = Url::fileURLWithPath("sounds/a.wav");
    ASSERT_TRUE(url);
    EXPECT_EQ(url->path(), (std::filesystem::current_path() / "sounds/a.wav").string());
}

TEST(UrlTest, FileUrlRefusesEmptyPathAndNul) {
    EXPECT_FALSE(Url::fileURLWithPath(""));
    EXPECT_FALSE(Url::fileURLWithPath(std::string("/tmp/a\0b", 8)));
}

TEST(UrlTest, UrlWithStringAcceptsWellFormedUrls) {
    for (const char* text :
         {"https://example.org/path?q=1#top", "mailto:someone@example.org", "HTTP://EXAMPLE.ORG",
          "svn+ssh://host/repo", "x-y.z:rest", "a:", "https://example.org/a%20b"}) {
        const auto url = Url::URLWithString(text);
        ASSERT_TRUE(url) << text;
        EXPECT_EQ(url->absoluteString(), text);
        EXPECT_FALSE(url->isFileURL());
    }
    EXPECT_EQ(Url::URLWithString("HTTP://EXAMPLE.ORG")->scheme(), "http");
    EXPECT_TRUE(Url::URLWithString("FILE:///etc/hosts")->isFileURL());
}

TEST(UrlTest, UrlWithStringRefusesMalformedText) {
    for (const char* text :
         {"", "no scheme here", "example.org/path", ":rest", "1http://x", "ht tp://x", "http://a b",
          "http://x\n", "http://x\t", "http://x\x7f", "http://caf\xC3\xA9", "http://x/<y>",
          "http://x/%zz", "http://x/%2", "http://x/%"}) {
        EXPECT_FALSE(Url::URLWithString(text)) << text;
    }
}

TEST(UrlTest, PathIsTheDecodedPathComponent) {
    EXPECT_EQ(Url::URLWithString("https://host:8080/a%2Fb/c%20d?x=1#f")->path(), "/a/b/c d");
    EXPECT_EQ(Url::URLWithString("https://host")->path(), "");
    EXPECT_EQ(Url::URLWithString("file://localhost/tmp/x.wav")->path(), "/tmp/x.wav");
    EXPECT_EQ(Url::URLWithString("mailto:me@example.org")->path(), "me@example.org");
    EXPECT_EQ(Url::URLWithString("file:///tmp/a%00b")->path(), "") << "NUL never reaches a path";
}

}  // namespace
}  // namespace platform
