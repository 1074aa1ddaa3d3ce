#include "platform/foundation/Services.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/foundation/Clock.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/UserDefaults.h"
#include "tests/support/LogInto.h"
#include "tests/support/TempDirectory.h"

namespace platform {
namespace {

std::shared_ptr<RunLoop> virtualLoop() {
    return std::make_shared<RunLoop>(std::make_shared<ManualClock>());
}

TEST(ServicesTest, ARecordReplacesEveryServiceUntilItGoesThenThePreviousIsBack) {
    std::vector<std::string> outer, inner;
    const auto outerLoop = virtualLoop();
    ScopedServices outerRecord({.runLoop = outerLoop, .log = logInto(outer)});
    {
        const auto innerLoop = virtualLoop();
        ScopedServices innerRecord({.runLoop = innerLoop, .log = logInto(inner)});
        EXPECT_EQ(services().runLoop, innerLoop);
        Log::print("inner");
    }
    EXPECT_EQ(services().runLoop, outerLoop);
    Log::print("outer");
    EXPECT_EQ(inner, std::vector<std::string>{"inner"});
    EXPECT_EQ(outer, std::vector<std::string>{"outer"});
}

// What a pending timer owns (a pending playback keeps the board alive) goes first, while the
// services it may call on its way out are still there; the preferences are flushed at the end.
TEST(ServicesTest, TearDownReleasesPendingTimersFirstThenFlushesThePreferences) {
    struct Witness {
        std::function<void()> onRelease;
        ~Witness() { onRelease(); }
    };
    TempDirectory folder;
    bool servicesThereOnRelease = false;
    {
        const auto loop = virtualLoop();
        ScopedServices record(
            {.runLoop = loop,
             .defaults = std::make_shared<UserDefaults>(folder / "preferences.json", loop.get())});
        auto witness = std::make_shared<Witness>(Witness{[&] {
            servicesThereOnRelease = hasServices() && services().defaults && services().runLoop;
        }});
        loop->performAfterDelay(
            60, [] {}, std::move(witness));
        services().defaults->setObject(PropertyList(3), "shakeType");  // flush still pending
    }
    EXPECT_TRUE(servicesThereOnRelease);
    EXPECT_FALSE(hasServices());
    EXPECT_EQ(UserDefaults(folder / "preferences.json").integerForKey("shakeType"), 3);
}

}  // namespace
}  // namespace platform
