#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/foundation/Log.h"

class MainInterface;
class RootViewController;

// What the fuzz targets share: a resource folder, a quiet log, the interface built as the host
// builds it, and the way a target reports a broken invariant.
namespace fuzz {

struct Clip {
    std::string name;
    double seconds;
};

// The clips of the shared resource folder: a dozen names, some alike but for case, spaces or
// dots, of lengths from a twentieth of a second to over a second.
const std::vector<Clip>& clips();

// A resource folder made on first use and kept for the process: one short WAV file per clip,
// the board's images and an information dictionary (copied from the real resources).
const std::filesystem::path& resourceFolder();

// A log sink that sends the platform log nowhere: a target runs thousands of inputs a second.
platform::Log::Sink quietLog();

// Builds the interface as the host does on the current shared objects (bundle, preferences,
// sound service, run loop), tells the delegate that launching finished and runs what is due.
std::shared_ptr<MainInterface> launchInterface();
RootViewController& board(const MainInterface& interface);

// Reports a broken invariant in one line on stderr and aborts, which libFuzzer records as a
// crash with the input that caused it.
[[noreturn]] void fail(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace fuzz
