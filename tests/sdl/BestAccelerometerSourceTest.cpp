#include "platform/sdl/BestAccelerometerSource.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/foundation/Services.h"
#include "platform/sdl/SdlSensorSource.h"
#include "tests/support/LogInto.h"
#include "tests/support/TempDirectory.h"

namespace platform {
namespace {

TEST(BestAccelerometerSourceTest, PrefersIioAndOtherwiseFallsBackToRest) {
    std::vector<std::string> log_;
    const ScopedServices services({.log = logInto(log_)});
    TempDirectory sysfs;
    // SDL offers no accelerometer here (its sensor subsystem is not running, or runs without
    // sensors), so without an IIO device there is no source.
    EXPECT_FALSE(SdlSensorSource::open());
    EXPECT_FALSE(bestAccelerometerSource(sysfs.path()));
    EXPECT_TRUE(log_.empty());

    for (const char* file : {"in_accel_x_raw", "in_accel_y_raw", "in_accel_z_raw"})
        sysfs.writeFile(std::string("iio:device0/") + file, "0\n");
    sysfs.writeFile("iio:device0/in_accel_scale", "0.01\n");
    auto source = bestAccelerometerSource(sysfs.path());
    ASSERT_TRUE(source);
    EXPECT_NE(dynamic_cast<IioAccelerometerSource*>(source.get()), nullptr);
    ASSERT_EQ(log_.size(), 1u);
    EXPECT_NE(log_[0].find("iio:device0"), std::string::npos);
}

}  // namespace
}  // namespace platform
