#pragma once

#include <memory>
#include <vector>

namespace platform {

class RunLoop;
class Timer;

// Reads what a run loop holds, for checks that no public call answers: the timers waiting in
// its queue (valid or not yet pruned), in no particular order. For tests and fuzz targets only;
// production code has no way to list a run loop's timers, and needs none.
class RunLoopInspector {
public:
    static std::vector<std::shared_ptr<Timer>> queuedTimers(const RunLoop& runLoop);
};

}  // namespace platform
