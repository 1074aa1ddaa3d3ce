// Fuzzes the interface as a whole: each input is a sequence of touches, drags, key presses,
// accelerometer samples, window resizes and passes of virtual time (see InterfaceMonkey for the
// encoding), played on the real board with its invariants checked after every step.
#include "fuzz/FuzzEnvironment.h"
#include "fuzz/InterfaceMonkey.h"

#include <cstddef>
#include <cstdint>
#include <span>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::quietLog();
    fuzz::resourceFolder();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::InterfaceMonkey monkey;
    monkey.play(std::span<const uint8_t>(data, size));
    return 0;
}
