#include "fuzz/FuzzEnvironment.h"

#include "app/MainInterface.h"
#include "app/SoundsAppDelegate.h"
#include "platform/foundation/Services.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/RunLoop.h"
#include "platform/ui/Application.h"
#include "tests/support/TempDirectory.h"
#include "tests/support/WavWriter.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

namespace fuzz {
namespace fs = std::filesystem;

const std::vector<Clip>& clips() {
    static const std::vector<Clip> list = {
        {"Air Horn", 0.6}, {"air horn", 0.05}, {"Bell", 1.2},      {"Boing", 0.3},
        {"Buzzer", 0.45},  {"Clap", 0.1},      {"Door.Bell", 0.8}, {"Gong", 1.1},
        {"Hello", 0.5},    {"Laser.v2", 0.25}, {"Oops", 0.7},      {"Zip", 0.15},
    };
    return list;
}

const fs::path& resourceFolder() {
    static const platform::TempDirectory folder;
    static const bool filled = [] {
        // 8 kHz, 8-bit mono keeps the files small; the board only measures them.
        for (const auto& clip : clips()) {
            platform::WavWriter wav(8000, 1, 8);
            wav.tone(wav.framesFor(clip.seconds));
            if (!wav.write(folder / (clip.name + ".wav")))
                fail("cannot write %s", clip.name.c_str());
        }
        std::error_code error;
        for (const auto& entry : fs::directory_iterator(SOUNDBOARD_RESOURCES_DIR, error)) {
            const auto extension = entry.path().extension();
            if (extension == ".png" || extension == ".json")
                fs::copy_file(entry.path(), folder / entry.path().filename(), error);
        }
        return true;
    }();
    (void)filled;
    return folder.path();
}

platform::Log::Sink quietLog() {
    return [](const std::string&) {};
}

std::shared_ptr<MainInterface> launchInterface() {
    auto interface = MainInterface::load();
    interface->delegate()->applicationDidFinishLaunching(*platform::services().application);
    platform::services().runLoop->runUntilIdle();
    return interface;
}

RootViewController& board(const MainInterface& interface) {
    return *interface.delegate()->rootViewController();
}

void fail(const char* format, ...) {
    std::fputs("Broken invariant: ", stderr);
    va_list arguments;
    va_start(arguments, format);
    std::vfprintf(stderr, format, arguments);
    va_end(arguments);
    std::fputc('\n', stderr);
    std::abort();
}

}  // namespace fuzz
