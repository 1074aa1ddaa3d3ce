#include "platform/sdl/SdlAudioOutput.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <vector>

#include "platform/audio/MixerSoundService.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/Services.h"
#include "platform/foundation/Url.h"
#include "tests/support/ScopedEnvironment.h"
#include "tests/support/TempDirectory.h"
#include "tests/support/WavWriter.h"

namespace platform {
namespace {

// SDL's disk driver writes what the device would play to a file, in the device's format (16-bit
// stereo). A 44.1 kHz clip, resampled, is heard for its length at its level, and its end comes
// back on the run loop, which runs in real time here.
TEST(SdlAudioOutputTest, PlayedSoundReachesTheDeviceAndReportsItsEnd) {
    TempDirectory folder;
    const auto output = folder / "device.raw";
    WavWriter wav(44100, 1, 16);
    wav.tone(wav.framesFor(0.2), 880.0, 0.5);
    ASSERT_TRUE(wav.write(folder / "tone.wav"));
    auto loop = std::make_shared<RunLoop>(std::make_shared<SteadyClock>());
    const ScopedServices services({.runLoop = loop});
    bool finished = false;
    {
        ScopedEnvironment driver("SDL_AUDIODRIVER", "disk");
        ScopedEnvironment file("SDL_DISKAUDIOFILE", output.c_str());
        auto service = MixerSoundService::create(
            *loop, std::make_unique<SdlAudioOutput>(loop->clock(), "Soundboard", "test"));
        SystemSoundID sound = 0;
        ASSERT_EQ(service->createSystemSoundID(*Url::fileURLWithPath(folder / "tone.wav"), sound),
                  SystemSoundService::kNoErr);
        service->playSystemSound(sound);
        ASSERT_EQ(
            service->addSystemSoundCompletion(
                sound, nullptr, kDefaultRunLoopMode,
                [](SystemSoundID, void* flag) { *static_cast<bool*>(flag) = true; }, &finished),
            SystemSoundService::kNoErr);
        for (int i = 0; i < 200 && !finished; ++i) loop->runFor(0.01);
    }
    EXPECT_TRUE(finished);

    std::ifstream in(output, std::ios_base::binary);
    ASSERT_TRUE(in) << "the disk driver wrote no file";
    std::vector<int16_t> samples;
    int16_t sample = 0;
    while (in.read(reinterpret_cast<char*>(&sample), sizeof sample)) samples.push_back(sample);
    const auto loud = [](int16_t s) { return std::abs(s) > 300; };
    const auto first = std::find_if(samples.begin(), samples.end(), loud);
    ASSERT_NE(first, samples.end()) << "the device played only silence";
    const auto last = std::find_if(samples.rbegin(), samples.rend(), loud);
    EXPECT_NEAR(static_cast<double>(last.base() - first) / 2.0 / AudioOutput::kRate, 0.2, 0.002);
    const int peak = std::abs(*std::max_element(
        first, last.base(), [](int16_t a, int16_t b) { return std::abs(a) < std::abs(b); }));
    EXPECT_NEAR(peak, 0.5 * 32767, 0.05 * 32767);
}

}  // namespace
}  // namespace platform
