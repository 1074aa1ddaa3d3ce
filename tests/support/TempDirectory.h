#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace platform {

// A fresh folder under the system's temporary folder, removed with everything in it when the
// object goes away. For tests: failures to create it abort the test program.
class TempDirectory {
public:
    TempDirectory();
    ~TempDirectory();
    TempDirectory(const TempDirectory&) = delete;
    TempDirectory& operator=(const TempDirectory&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // `relative` inside the folder.
    std::filesystem::path operator/(const std::filesystem::path& relative) const {
        return path_ / relative;
    }

    // Writes `contents` to `relative`, making the folders on the way; returns the full path.
    std::filesystem::path writeFile(const std::filesystem::path& relative,
                                    std::string_view contents) const;
    // The contents of `relative`; empty when it cannot be read.
    std::string readFile(const std::filesystem::path& relative) const;

private:
    std::filesystem::path path_;
};

}  // namespace platform
