#include <gtest/gtest.h>

#include "platform/sdl/VideoDriverChoice.h"

namespace platform {
namespace {

TEST(VideoDriverChoiceTest, WaylandFirstWhereACompositorRunsUnlessTheUserChose) {
    using Environment = VideoDriverChoice::Environment;
    struct Case {
        const char* what;
        Environment environment;
        std::optional<std::string> drivers;
    };
    const Case cases[] = {
        {"Wayland session with XWayland beside it",
         {.waylandDisplay = "wayland-1", .waylandSocketExists = true},
         "wayland,x11"},
        {"no WAYLAND_DISPLAY, the default socket is there",
         {.runtimeDir = "/run/user/1000", .waylandSocketExists = true},
         "wayland,x11"},
        {"the user asked for X11", {.requested = "x11", .waylandDisplay = "wayland-0"}, {}},
        {"the user asked for a list",
         {.requested = "kmsdrm,wayland", .waylandSocketExists = true},
         {}},
        {"X11 session, no compositor", {.runtimeDir = "/run/user/1000"}, {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(VideoDriverChoice::choose(c.environment), c.drivers) << c.what;
}

TEST(VideoDriverChoiceTest, TheSocketIsTheDisplayNameInTheRuntimeFolder) {
    struct Case {
        std::optional<std::string> display, runtimeDir, socket;
    };
    const Case cases[] = {
        {"wayland-1", "/run/user/0", "/run/user/0/wayland-1"},
        {{}, "/run/user/0", "/run/user/0/wayland-0"},
        {"/tmp/compositor/socket", {}, "/tmp/compositor/socket"},
        {"wayland-1", {}, {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(VideoDriverChoice::waylandSocket(c.display, c.runtimeDir), c.socket)
            << c.display.value_or("(unset)");
}

}  // namespace
}  // namespace platform
