#pragma once

#include <functional>
#include <string>

namespace platform {

// The platform log: one line per call, on stderr, prefixed with a timestamp, the process name
// and its id. printf-style formatting. Tests replace the sink to read the lines.
class Log {
public:
    using Sink = std::function<void(const std::string& line)>;

    static void print(const char* format, ...) __attribute__((format(printf, 1, 2)));
    // Receives each message without the prefix. An empty sink restores stderr.
    static void setSink(Sink sink);
};

}  // namespace platform
