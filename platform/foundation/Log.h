#pragma once

#include <functional>
#include <string>

namespace platform {

// The platform log: one line per call, on stderr, prefixed with a timestamp, the process name
// and its id, or to the sink of the installed services (Services::log), which tests use to read
// the lines. printf-style formatting. Any thread.
class Log {
public:
    using Sink = std::function<void(const std::string& line)>;

    static void print(const char* format, ...) __attribute__((format(printf, 1, 2)));
};

}  // namespace platform
