#pragma once

#include <string>
#include <vector>

#include "platform/foundation/Log.h"

namespace platform {

// A log sink for Services::log that appends each line to `lines`, which must outlive the
// installed record.
inline Log::Sink logInto(std::vector<std::string>& lines) {
    return [&lines](const std::string& line) { lines.push_back(line); };
}

}  // namespace platform
