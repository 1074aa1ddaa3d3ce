#include "app/SoundEffect.h"

#include "platform/foundation/Log.h"
#include "tests/support/RecordingSoundService.h"
#include "tests/support/TempDirectory.h"
#include "tests/support/LogInto.h"
#include "tests/support/UiTestEnvironment.h"
#include "tests/support/WavWriter.h"

#include <gtest/gtest.h>

namespace {
using platform::RecordingSoundService;
using Kind = RecordingSoundService::CallKind;

class SoundEffectTest : public testing::Test {
protected:
    std::string writeClip(const std::string& file, double seconds) {
        platform::WavWriter wav(44100, 1, 16);
        wav.tone(wav.framesFor(seconds));
        EXPECT_TRUE(wav.write(folder / file));
        return (folder / file).string();
    }

    platform::TempDirectory folder;
    std::shared_ptr<RecordingSoundService> sound = std::make_shared<RecordingSoundService>();
    std::vector<std::string> log;
    platform::UiTestEnvironment env{{.sound = sound, .log = platform::logInto(log)}};
};

TEST_F(SoundEffectTest, NameIsTheFileNameWithoutItsLastExtensionAndNothingIsOpened) {
    auto bell =
        SoundEffect::soundEffectWithContentsOfFile(folder.path().string() + "/Door Bell.wav");
    ASSERT_TRUE(bell);
    EXPECT_EQ(bell->name(), "Door Bell");
    EXPECT_EQ(bell->path(), folder.path().string() + "/Door Bell.wav");
    EXPECT_FALSE(bell->hidden());
    EXPECT_EQ(bell->duration(), 0.0);
    EXPECT_EQ(SoundEffect("/x/a.b.wav").name(), "a.b");
    EXPECT_TRUE(sound->calls().empty()) << "creating a clip touches neither file nor service";

    EXPECT_EQ(SoundEffect::soundEffectWithContentsOfFile(std::nullopt), nullptr);
}

TEST_F(SoundEffectTest, FirstPlayLoadsMeasuresRegistersThenPlaysLaterPlaysOnlyPlay) {
    auto clip = SoundEffect::soundEffectWithContentsOfFile(writeClip("Gong.wav", 1.2));
    clip->play();
    EXPECT_NEAR(clip->duration(), 1.2, 1e-4) << "known as soon as the first play returns";
    clip->play();

    std::vector<Kind> kinds;
    for (const auto& call : sound->calls()) kinds.push_back(call.kind);
    EXPECT_EQ(kinds, (std::vector<Kind>{Kind::create, Kind::play, Kind::addCompletion, Kind::play,
                                        Kind::addCompletion}));
    EXPECT_EQ(sound->plays().size(), 2u);
    EXPECT_TRUE(log.empty());
}

TEST_F(SoundEffectTest, CompletionWithdrawsItsRegistrationAndDestructionGivesTheHandleBack) {
    auto clip = SoundEffect::soundEffectWithContentsOfFile(writeClip("Horn.wav", 0.5));
    clip->play();
    const auto handle = sound->calls().front().sound;
    EXPECT_TRUE(sound->hasCompletion(handle));
    sound->finish(handle);
    env.runLoop().runUntilIdle();
    EXPECT_FALSE(sound->hasCompletion(handle));

    clip.reset();
    EXPECT_EQ(sound->count(Kind::dispose), 1u);
    EXPECT_EQ(sound->calls().back().sound, handle);
}

TEST_F(SoundEffectTest, RefusedRegistrationLogsOnceAndLaterPlaysPassHandleZero) {
    const auto path = writeClip("Buzzer.wav", 0.75);
    sound->setRegistrationStatus(path, -50);
    auto clip = SoundEffect::soundEffectWithContentsOfFile(path);
    clip->play();
    clip->play();
    clip->play();
    EXPECT_EQ(log, std::vector<std::string>{"Error -50 loading sound: Buzzer (0.75 secs)"});
    EXPECT_EQ(sound->count(Kind::create), 1u) << "a measured clip is not loaded again";
    EXPECT_EQ(sound->count(Kind::play), 3u);
    EXPECT_TRUE(sound->plays().empty()) << "handle 0 sounds nothing";
    clip.reset();
    EXPECT_EQ(sound->count(Kind::dispose), 0u);
}

TEST_F(SoundEffectTest, UnreadableFileKeepsDurationZeroAndRetriesTheWholeLoadOnEachPlay) {
    const auto path = folder.writeFile("Broken.wav", "this is not audio").string();
    sound->setRegistrationStatus(path, -1);
    auto clip = SoundEffect::soundEffectWithContentsOfFile(path);
    clip->play();
    clip->play();
    EXPECT_EQ(clip->duration(), 0.0);
    EXPECT_EQ(sound->count(Kind::create), 2u);
    EXPECT_EQ(log.size(), 2u);
    EXPECT_EQ(log.front(), "Error -1 loading sound: Broken (0.00 secs)");
}

TEST_F(SoundEffectTest, EmptyPathHasNoUrlAndLogsIt) {
    SoundEffect clip("");
    clip.play();
    EXPECT_EQ(log, std::vector<std::string>{"NSURL is nil for path: "});
    EXPECT_EQ(sound->count(Kind::create), 0u);
}

TEST_F(SoundEffectTest, StopWithdrawsTheRegistrationOfItsHandleOnly) {
    SoundEffect clip("/nowhere/Never.wav");
    clip.stop();
    ASSERT_EQ(sound->calls().size(), 1u);
    EXPECT_EQ(sound->calls().front().kind, Kind::removeCompletion);
    EXPECT_EQ(sound->calls().front().sound, 0u);
    EXPECT_EQ(clip.duration(), 0.0);
}

}  // namespace
