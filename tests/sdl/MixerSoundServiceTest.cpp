#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/foundation/Log.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/Url.h"
#include "platform/sdl/MixerSoundService.h"
#include "tests/support/ScopedEnvironment.h"
#include "tests/support/WavWriter.h"
#include "platform/foundation/Services.h"
#include "tests/support/LogInto.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

struct Finished {
    SystemSoundID sound;
    void* clientData;
    std::thread::id thread;
    double time;
};

// The audio thread is real here, so these tests run a steady-clock run loop and wait, with a
// deadline, for the posts that the audio thread makes; they never sleep a fixed time.
class MixerSoundServiceTest : public testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "mixer-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder_ = pattern;
        loop_->setWakeHandler([this] {
            std::lock_guard lock(wakeMutex_);
            woken_ = true;
            wake_.notify_all();
        });
        setenv("SDL_AUDIODRIVER", "dummy", 0);  // unless the caller chose a driver
    }

    void TearDown() override {
        service_.reset();
        fs::remove_all(folder_);
    }

    void openService() {
        service_ = MixerSoundService::open();
        ASSERT_NE(service_, nullptr);
    }

    SystemSoundID registerTone(const std::string& name, double seconds) {
        WavWriter wav(44100, 1, 16);
        wav.tone(wav.framesFor(seconds), 880.0, 0.5);
        const fs::path path = folder_ / name;
        EXPECT_TRUE(wav.write(path));
        SystemSoundID sound = 0;
        EXPECT_EQ(service_->createSystemSoundID(*Url::fileURLWithPath(path), sound),
                  SystemSoundService::kNoErr);
        EXPECT_NE(sound, 0u);
        return sound;
    }

    OSStatus listen(SystemSoundID sound, RunLoopModes modes = kDefaultRunLoopMode) {
        return service_->addSystemSoundCompletion(sound, nullptr, modes, record, this);
    }

    static void record(SystemSoundID sound, void* clientData) {
        auto* self = static_cast<MixerSoundServiceTest*>(clientData);
        self->finished_.push_back(
            {sound, clientData, std::this_thread::get_id(), self->loop_->now()});
    }

    size_t finishedCount(SystemSoundID sound) const {
        return static_cast<size_t>(
            std::count_if(finished_.begin(), finished_.end(),
                          [sound](const auto& f) { return f.sound == sound; }));
    }

    // Blocks until a post arrives or the deadline passes; returns whether one arrived.
    bool waitForPost(std::chrono::steady_clock::time_point deadline) {
        std::unique_lock lock(wakeMutex_);
        const bool arrived = wake_.wait_until(lock, deadline, [this] { return woken_; });
        woken_ = false;
        return arrived;
    }

    // Runs the loop until `done` holds, for at most `seconds`.
    bool runUntil(const std::function<bool()>& done, double seconds = 2.0) {
        const auto deadline = std::chrono::steady_clock::now() +
                              std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                  std::chrono::duration<double>(seconds));
        for (;;) {
            loop_->runUntilIdle();
            if (done()) return true;
            if (!waitForPost(deadline) && !loop_->hasPostedTasks()) return done();
        }
    }

    // Waits, without running the loop, until the audio thread has posted a report.
    bool waitForReport(double seconds = 2.0) {
        const auto deadline = std::chrono::steady_clock::now() +
                              std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                  std::chrono::duration<double>(seconds));
        while (!loop_->hasPostedTasks()) {
            if (!waitForPost(deadline)) return loop_->hasPostedTasks();
        }
        return true;
    }

    fs::path folder_;
    std::shared_ptr<RunLoop> loop_ = std::make_shared<RunLoop>(std::make_shared<SteadyClock>());
    std::vector<std::string> log_;
    ScopedServices services_{{.runLoop = loop_, .log = logInto(log_)}};
    std::shared_ptr<MixerSoundService> service_;
    std::vector<Finished> finished_;

    std::mutex wakeMutex_;
    std::condition_variable wake_;
    bool woken_ = false;
};

TEST_F(MixerSoundServiceTest, PlayedSoundReportsItsEndOnTheMainRunLoop) {
    openService();
    EXPECT_EQ(service_->frequency(), 48000);
    EXPECT_EQ(service_->channelCount(), 16);
    const SystemSoundID sound = registerTone("short.wav", 0.1);

    const double start = loop_->now();
    service_->playSystemSound(sound);
    EXPECT_EQ(service_->playingChannelCount(), 1);
    ASSERT_EQ(listen(sound), SystemSoundService::kNoErr);

    ASSERT_TRUE(runUntil([&] { return finishedCount(sound) == 1; }));
    const Finished& end = finished_.front();
    EXPECT_EQ(end.clientData, this);
    EXPECT_EQ(end.thread, std::this_thread::get_id());
    // The device plays in real time: the end cannot be reported before the sound has run.
    EXPECT_GE(end.time - start, 0.09);
    EXPECT_EQ(service_->playingChannelCount(), 0);
}

TEST_F(MixerSoundServiceTest, FilesThatDoNotLoadAreRefused) {
    openService();
    const std::string text = "not a sound";
    ASSERT_TRUE(WavWriter::writeFile(folder_ / "text.wav", {text.begin(), text.end()}));

    for (const fs::path& path : {folder_ / "absent.wav", folder_ / "text.wav", folder_}) {
        SCOPED_TRACE(path.string());
        SystemSoundID sound = 5;
        EXPECT_NE(service_->createSystemSoundID(*Url::fileURLWithPath(path), sound),
                  SystemSoundService::kNoErr);
        EXPECT_EQ(sound, 5u);
    }
    SystemSoundID sound = 5;
    EXPECT_NE(
        service_->createSystemSoundID(*Url::URLWithString("https://example.org/a.wav"), sound),
        SystemSoundService::kNoErr);
}

TEST_F(MixerSoundServiceTest, HandlesAreFreshAndNonZero) {
    openService();
    const SystemSoundID first = registerTone("a.wav", 0.05);
    const SystemSoundID second = registerTone("a.wav", 0.05);
    service_->disposeSystemSoundID(first);
    const SystemSoundID third = registerTone("b.wav", 0.05);
    EXPECT_NE(first, second);
    EXPECT_NE(third, first);
    EXPECT_NE(third, second);
}

TEST_F(MixerSoundServiceTest, HandleZeroUnknownAndDisposedHandlesPlayNothing) {
    openService();
    const SystemSoundID disposed = registerTone("a.wav", 0.5);
    service_->disposeSystemSoundID(disposed);

    service_->playSystemSound(0);
    service_->playSystemSound(12345);
    service_->playSystemSound(disposed);
    EXPECT_EQ(service_->playingChannelCount(), 0);

    EXPECT_NE(listen(0), SystemSoundService::kNoErr);
    EXPECT_NE(listen(12345), SystemSoundService::kNoErr);
    EXPECT_NE(listen(disposed), SystemSoundService::kNoErr);
    service_->removeSystemSoundCompletion(0);
    service_->disposeSystemSoundID(0);
    service_->disposeSystemSoundID(disposed);
}

TEST_F(MixerSoundServiceTest, DisposeStopsThePlayAndItsCompletion) {
    openService();
    const SystemSoundID longSound = registerTone("long.wav", 1.0);
    const SystemSoundID marker = registerTone("marker.wav", 0.05);
    service_->playSystemSound(longSound);
    ASSERT_EQ(listen(longSound), SystemSoundService::kNoErr);
    ASSERT_EQ(service_->playingChannelCount(), 1);

    service_->disposeSystemSoundID(longSound);
    EXPECT_EQ(service_->playingChannelCount(), 0);

    // Reports reach the loop in order, so once the marker's end is in, the halted play's
    // report has been handled too.
    service_->playSystemSound(marker);
    ASSERT_EQ(listen(marker), SystemSoundService::kNoErr);
    ASSERT_TRUE(runUntil([&] { return finishedCount(marker) == 1; }));
    EXPECT_EQ(finishedCount(longSound), 0u);
}

TEST_F(MixerSoundServiceTest, DisposeDropsACompletionAlreadyOnItsWay) {
    openService();
    const SystemSoundID sound = registerTone("short.wav", 0.02);
    service_->playSystemSound(sound);
    ASSERT_EQ(listen(sound), SystemSoundService::kNoErr);
    ASSERT_TRUE(waitForReport());

    service_->disposeSystemSoundID(sound);
    loop_->runUntilIdle();
    EXPECT_TRUE(finished_.empty());
}

TEST_F(MixerSoundServiceTest, WithdrawnCompletionIsNotCalled) {
    openService();
    const SystemSoundID sound = registerTone("short.wav", 0.02);
    service_->playSystemSound(sound);
    ASSERT_EQ(listen(sound), SystemSoundService::kNoErr);
    ASSERT_TRUE(waitForReport());

    service_->removeSystemSoundCompletion(sound);
    loop_->runUntilIdle();
    EXPECT_TRUE(finished_.empty());

    // The handle itself still plays and reports to a new registration.
    service_->playSystemSound(sound);
    ASSERT_EQ(listen(sound), SystemSoundService::kNoErr);
    ASSERT_TRUE(runUntil([&] { return finishedCount(sound) == 1; }));
}

TEST_F(MixerSoundServiceTest, CompletionWaitsForItsRunLoopMode) {
    openService();
    const SystemSoundID sound = registerTone("short.wav", 0.02);
    service_->playSystemSound(sound);
    ASSERT_EQ(listen(sound, RunLoopModes{}), SystemSoundService::kNoErr);  // 0: default mode
    loop_->setMode(kTrackingRunLoopMode);
    ASSERT_TRUE(waitForReport());
    loop_->runUntilIdle();
    EXPECT_TRUE(finished_.empty());

    loop_->setMode(kDefaultRunLoopMode);
    loop_->runUntilIdle();
    EXPECT_EQ(finishedCount(sound), 1u);
}

TEST_F(MixerSoundServiceTest, DisposeWhileTheCompletionWaitsForItsModeDropsIt) {
    openService();
    const SystemSoundID sound = registerTone("short.wav", 0.02);
    service_->playSystemSound(sound);
    ASSERT_EQ(listen(sound), SystemSoundService::kNoErr);
    loop_->setMode(kTrackingRunLoopMode);
    ASSERT_TRUE(waitForReport());
    loop_->runUntilIdle();  // the report is handled; the call waits for the default mode

    service_->disposeSystemSoundID(sound);
    loop_->setMode(kDefaultRunLoopMode);
    loop_->runUntilIdle();
    EXPECT_TRUE(finished_.empty());
}

TEST_F(MixerSoundServiceTest, ChannelsDoubleWhenEveryOneIsBusy) {
    openService();
    const SystemSoundID sound = registerTone("chord.wav", 0.3);
    ASSERT_EQ(listen(sound), SystemSoundService::kNoErr);
    for (int i = 0; i < 20; ++i) service_->playSystemSound(sound);
    EXPECT_EQ(service_->channelCount(), 32);
    EXPECT_EQ(service_->playingChannelCount(), 20);
    ASSERT_TRUE(runUntil([&] { return finishedCount(sound) == 20; }));
}

TEST_F(MixerSoundServiceTest, ReportsForAServiceThatIsGoneAreIgnored) {
    openService();
    const SystemSoundID sound = registerTone("short.wav", 0.02);
    service_->playSystemSound(sound);
    ASSERT_EQ(listen(sound), SystemSoundService::kNoErr);
    ASSERT_TRUE(waitForReport());
    service_.reset();
    loop_->runUntilIdle();
    EXPECT_TRUE(finished_.empty());
}

TEST_F(MixerSoundServiceTest, OnlyOneServiceIsOpenAtATime) {
    openService();
    log_.clear();
    EXPECT_EQ(MixerSoundService::open(), nullptr);
    EXPECT_EQ(log_.size(), 1u);

    service_.reset();
    openService();
}

TEST_F(MixerSoundServiceTest, NoDeviceGivesNoServiceAndOneLogLine) {
    ScopedEnvironment driver("SDL_AUDIODRIVER", "no-such-driver");
    EXPECT_EQ(MixerSoundService::open(), nullptr);
    ASSERT_EQ(log_.size(), 1u);
    EXPECT_NE(log_[0].find("No audio device"), std::string::npos);
}

// SDL's disk driver writes what the device would play to a file, in the device's format
// (16-bit stereo here), at the pace of a real device.
TEST_F(MixerSoundServiceTest, PlayedSoundReachesTheDevice) {
    const fs::path output = folder_ / "device.raw";
    int frequency = 0;
    {
        ScopedEnvironment driver("SDL_AUDIODRIVER", "disk");
        ScopedEnvironment file("SDL_DISKAUDIOFILE", output.c_str());
        openService();
        frequency = service_->frequency();
        const SystemSoundID sound = registerTone("tone.wav", 0.2);
        service_->playSystemSound(sound);
        ASSERT_EQ(listen(sound), SystemSoundService::kNoErr);
        ASSERT_TRUE(runUntil([&] { return finishedCount(sound) == 1; }));
        service_.reset();  // closes the device and its file
    }

    std::ifstream in(output, std::ios_base::binary);
    ASSERT_TRUE(in) << "the disk driver wrote no file";
    std::vector<int16_t> samples;
    int16_t sample = 0;
    while (in.read(reinterpret_cast<char*>(&sample), sizeof sample)) samples.push_back(sample);
    ASSERT_GT(frequency, 0);

    // The tone's frames: from the first to the last sample above the noise floor.
    const auto loud = [](int16_t s) { return std::abs(s) > 300; };
    const auto first = std::find_if(samples.begin(), samples.end(), loud);
    ASSERT_NE(first, samples.end()) << "the device played only silence";
    const auto last = std::find_if(samples.rbegin(), samples.rend(), loud);
    const double toneFrames = static_cast<double>(last.base() - first) / 2.0;
    EXPECT_NEAR(toneFrames / frequency, 0.2, 0.002);

    const int peak = std::abs(*std::max_element(
        first, last.base(), [](int16_t a, int16_t b) { return std::abs(a) < std::abs(b); }));
    EXPECT_NEAR(peak, 0.5 * 32767, 0.05 * 32767);
}

}  // namespace
}  // namespace platform
