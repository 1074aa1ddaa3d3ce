#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/foundation/Log.h"
#include "platform/sdl/UrlOpener.h"
#include "tests/support/TempDirectory.h"
#include "platform/foundation/Services.h"
#include "tests/support/LogInto.h"

namespace platform {
namespace {

class UrlOpenerTest : public ::testing::Test {
protected:
    void SetUp() override {
        // A stand-in for xdg-open that reports its arguments through a pipe: the number of
        // arguments, then the first one, each on a line.
        const auto fifo = folder_ / "report";
        ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
        // Read and write, so that opening does not wait for the helper and the pipe never
        // reports an end that would cut a read short.
        report_ = open(fifo.c_str(), O_RDWR | O_CLOEXEC);
        ASSERT_GE(report_, 0);
        helper_ = folder_.writeFile(
            "open-helper", "#!/bin/sh\nprintf '%s\\n' \"$#\" \"$1\" > '" + fifo.string() + "'\n");
        std::filesystem::permissions(helper_, std::filesystem::perms::owner_all);
    }
    void TearDown() override {
        if (report_ >= 0) close(report_);
    }

    // The helper's report: two lines; empty when none came within ten seconds.
    std::string readReport() {
        std::string text;
        while (std::count(text.begin(), text.end(), '\n') < 2) {
            pollfd ready{report_, POLLIN, 0};
            if (poll(&ready, 1, 10'000) != 1) return {};
            char buffer[512];
            const ssize_t got = read(report_, buffer, sizeof buffer);
            if (got <= 0) return {};
            text.append(buffer, static_cast<size_t>(got));
        }
        return text;
    }

    TempDirectory folder_;
    std::filesystem::path helper_;
    int report_ = -1;
    std::vector<std::string> log_;
    ScopedServices services_{{.log = logInto(log_)}};
};

TEST_F(UrlOpenerTest, AddressReachesTheHelperAsOneUntouchedArgument) {
    const std::string url = "https://example.org/a b;touch '$HOME/x'&c=$(id)|`d`";
    EXPECT_TRUE(UrlOpener(helper_.string()).launch(url));
    EXPECT_EQ(readReport(), "1\n" + url + "\n");
    EXPECT_TRUE(log_.empty());
}

TEST_F(UrlOpenerTest, HelperThatCannotStartGivesFalseAndALogLine) {
    EXPECT_FALSE(UrlOpener((folder_ / "no-such-helper").string()).launch("https://example.org"));
    ASSERT_EQ(log_.size(), 1u);
    EXPECT_NE(log_[0].find("no-such-helper"), std::string::npos);
}

TEST_F(UrlOpenerTest, AddressesTheHelperWouldMisreadAreRefused) {
    const UrlOpener opener(helper_.string());
    EXPECT_FALSE(opener.launch(""));
    EXPECT_FALSE(opener.launch("--help"));
    EXPECT_FALSE(opener.open("-x"));
    EXPECT_FALSE(opener.launch(std::string("https://a\0b", 11)));
    EXPECT_EQ(log_.size(), 4u);
}

}  // namespace
}  // namespace platform
