#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/foundation/Log.h"
#include "platform/sensors/IioAccelerometerSource.h"
#include "tests/support/TempDirectory.h"
#include "platform/foundation/Services.h"
#include "tests/support/LogInto.h"

namespace platform {
namespace {

// One g in raw counts at this scale: scale * 1000 = 9.80665 m/s^2.
constexpr const char* kScale = "0.00980665\n";

class AccelerometerIioSourceTest : public ::testing::Test {
protected:
    // A device folder with raw x, y, z readings, written the way sysfs shows them.
    void writeRaw(const std::string& device, int x, int y, int z) {
        folder_.writeFile(device + "/in_accel_x_raw", std::to_string(x) + "\n");
        folder_.writeFile(device + "/in_accel_y_raw", std::to_string(y) + "\n");
        folder_.writeFile(device + "/in_accel_z_raw", std::to_string(z) + "\n");
    }

    std::unique_ptr<IioAccelerometerSource> open() {
        return IioAccelerometerSource::open(folder_.path());
    }

    static void expectReading(const Acceleration& reading, double x, double y, double z) {
        EXPECT_NEAR(reading.x, x, 1e-9);
        EXPECT_NEAR(reading.y, y, 1e-9);
        EXPECT_NEAR(reading.z, z, 1e-9);
    }

    TempDirectory folder_;
    std::vector<std::string> log_;
    ScopedServices services_{{.log = logInto(log_)}};
};

TEST_F(AccelerometerIioSourceTest, SharedScaleTurnsRawCountsIntoGravities) {
    writeRaw("iio:device0", 0, 500, -1000);
    folder_.writeFile("iio:device0/in_accel_scale", kScale);

    auto source = open();
    ASSERT_TRUE(source);
    EXPECT_EQ(source->device(), folder_ / "iio:device0");
    expectReading(source->read(), 0, 0.5, -1);
    // Every read sees the files as they are now.
    writeRaw("iio:device0", 1500, -250, 3000);
    expectReading(source->read(), 1.5, -0.25, 3);
    EXPECT_TRUE(log_.empty());
}

TEST_F(AccelerometerIioSourceTest, PerAxisScaleAndOffsetsApplyBeforeConversion) {
    writeRaw("iio:device0", 10, 2000, -3);
    // x and z take the shared scale and offset; y has its own of both, which win.
    folder_.writeFile("iio:device0/in_accel_scale", kScale);
    folder_.writeFile("iio:device0/in_accel_y_scale", "0.004903325");
    folder_.writeFile("iio:device0/in_accel_offset", "-10");
    folder_.writeFile("iio:device0/in_accel_y_offset", "-4000");
    folder_.writeFile("iio:device0/in_accel_z_offset", "2003.0");

    auto source = open();
    ASSERT_TRUE(source);
    // x: (10 - 10) counts; y: (2000 - 4000) at half the scale; z: (-3 + 2003).
    expectReading(source->read(), 0, -1, 2);
}

TEST_F(AccelerometerIioSourceTest, DevicesThatCannotServeArePassedOver) {
    // A light sensor, an accelerometer without a scale, one with only two axes, and a trigger
    // that is not a device at all; of the two usable accelerometers the first by name wins,
    // whatever order the folder lists them in.
    writeRaw("iio:device4", 0, 0, 0);
    folder_.writeFile("iio:device4/in_accel_scale", kScale);
    folder_.writeFile("iio:device0/in_illuminance_raw", "120\n");
    writeRaw("iio:device1", 0, 0, 0);
    writeRaw("iio:device2", 0, 0, 0);
    folder_.writeFile("iio:device2/in_accel_scale", kScale);
    std::filesystem::remove(folder_ / "iio:device2/in_accel_z_raw");
    writeRaw("trigger0", 0, 0, 0);
    folder_.writeFile("trigger0/in_accel_scale", kScale);
    writeRaw("iio:device3", 0, 1000, 0);
    folder_.writeFile("iio:device3/in_accel_scale", kScale);

    auto source = open();
    ASSERT_TRUE(source);
    EXPECT_EQ(source->device(), folder_ / "iio:device3");
    expectReading(source->read(), 0, 1, 0);
    EXPECT_TRUE(log_.empty());
}

TEST_F(AccelerometerIioSourceTest, NoDevicesOrNoFolderGivesNoSourceQuietly) {
    EXPECT_FALSE(open());
    EXPECT_FALSE(IioAccelerometerSource::open(folder_ / "missing"));
    EXPECT_TRUE(log_.empty());
}

TEST_F(AccelerometerIioSourceTest, UnreadableScaleOrOffsetSkipsTheDeviceWithALogLine) {
    writeRaw("iio:device0", 0, 0, 0);
    folder_.writeFile("iio:device0/in_accel_scale", "fast\n");
    writeRaw("iio:device1", 0, 0, 0);
    folder_.writeFile("iio:device1/in_accel_scale", kScale);
    folder_.writeFile("iio:device1/in_accel_x_offset", "");

    EXPECT_FALSE(open());
    ASSERT_EQ(log_.size(), 2u);
    EXPECT_NE(log_[0].find("iio:device0"), std::string::npos);
    EXPECT_NE(log_[0].find("in_accel_scale"), std::string::npos);
    EXPECT_NE(log_[1].find("in_accel_x_offset"), std::string::npos);
}

TEST_F(AccelerometerIioSourceTest, GarbageReadingHoldsTheLastSampleWithOneLogLine) {
    writeRaw("iio:device0", 0, 1000, -1000);
    folder_.writeFile("iio:device0/in_accel_scale", kScale);
    auto source = open();
    ASSERT_TRUE(source);
    expectReading(source->read(), 0, 1, -1);

    for (const char* garbage : {"12abc\n", "nan\n", "1e999\n", "", "  \n"}) {
        SCOPED_TRACE(garbage);
        folder_.writeFile("iio:device0/in_accel_y_raw", garbage);
        // The device stays where it was last seen: a jump to any other resting value would
        // look like a shake.
        expectReading(source->read(), 0, 1, -1);
    }
    ASSERT_EQ(log_.size(), 1u);
    EXPECT_NE(log_[0].find("in_accel_y_raw"), std::string::npos);

    // Once given up, the device is not read again even if it recovers.
    writeRaw("iio:device0", 3000, 3000, 3000);
    expectReading(source->read(), 0, 1, -1);
    EXPECT_EQ(log_.size(), 1u);
}

TEST_F(AccelerometerIioSourceTest, UnpluggedBeforeTheFirstReadingCountsAsAtRest) {
    writeRaw("iio:device0", 500, 500, 500);
    folder_.writeFile("iio:device0/in_accel_scale", kScale);
    auto source = open();
    ASSERT_TRUE(source);

    std::filesystem::remove_all(folder_ / "iio:device0");
    const Acceleration reading = source->read();
    expectReading(reading, AccelerometerSource::kAtRest.x, AccelerometerSource::kAtRest.y,
                  AccelerometerSource::kAtRest.z);
    EXPECT_EQ(log_.size(), 1u);
}

}  // namespace
}  // namespace platform
