#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/Application.h"
#include "platform/ui/Host.h"
#include "platform/ui/Window.h"
#include "tests/support/UiTestEnvironment.h"

namespace platform {
namespace {

TEST(HostWaitTest, WaitEndsAtTheNextTimerFrameOrMinuteWhicheverComesFirst) {
    EXPECT_EQ(Host::waitTimeoutMs(std::nullopt, 5, false, std::nullopt), -1);  // idle
    EXPECT_EQ(Host::waitTimeoutMs(5.25, 5, false, std::nullopt), 250);
    // Rounded up: waking before the timer is due would spin.
    EXPECT_EQ(Host::waitTimeoutMs(5.0004, 5, false, std::nullopt), 1);
    EXPECT_EQ(Host::waitTimeoutMs(4, 5, false, std::nullopt), 0);  // overdue
    EXPECT_EQ(Host::waitTimeoutMs(std::nullopt, 5, true, std::nullopt), 17);
    EXPECT_EQ(Host::waitTimeoutMs(5.010, 5, true, std::nullopt), 10);
    EXPECT_EQ(Host::waitTimeoutMs(std::nullopt, 5, false, 42.0), 42000);
    EXPECT_EQ(Host::waitTimeoutMs(6, 5, true, 42.0), 17);
    EXPECT_EQ(Host::waitTimeoutMs(1e12, 0, false, std::nullopt), 24 * 60 * 60 * 1000);
}

using Record = std::vector<std::string>;

// An interface of one key window whose keys and delegate calls are written down.
struct Interface : ApplicationDelegate {
    explicit Interface(Record& record) : record(record) {
        window->setKeyHandler([&record](const KeyPress& press) {
            record.push_back("key " + std::string(1, static_cast<char>(press.key)));
            return true;
        });
        window->makeKeyAndVisible();
        services().application->setDelegate(this);
    }
    ~Interface() override { record.push_back("released"); }
    void applicationDidFinishLaunching(Application&) override { record.push_back("launched"); }
    void applicationWillTerminate(Application&) override { record.push_back("terminating"); }

    Record& record;
    std::shared_ptr<Window> window = std::make_shared<Window>();
};

TEST(HostTest, FingersAndNewKeysWakeTheSoundAndControlQEndsTheRunInOrder) {
    UiTestEnvironment environment;
    Record record;
    Host host;
    host.setPressBegins([&] { record.push_back("press begins"); });
    host.launch([&] { return std::make_shared<Interface>(record); });
    host.touch(TouchPhase::Began, {10, 10});
    host.touch(TouchPhase::Ended, {10, 10});
    host.pressKey({keyFor('s')});
    host.pressKey({keyFor('s'), kKeyModifierNone, true});  // a held key's repeat
    host.pressKey({keyFor('q'), kKeyModifierControl});
    ASSERT_TRUE(host.quitRequested());
    host.end();
    EXPECT_EQ(record, (Record{"launched", "press begins", "press begins", "key s", "key s",
                              "terminating", "released"}));
}

}  // namespace
}  // namespace platform
