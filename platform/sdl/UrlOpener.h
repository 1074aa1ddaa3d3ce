#pragma once

#include <string>

namespace platform {

// Hands web addresses to the desktop: SDL's opener first, and when that fails, a helper
// program (xdg-open) started with the address as its one argument. No shell is involved, so
// the address cannot run commands, and the program is not waited for: a browser may run for
// as long as it likes while the board goes on.
class UrlOpener {
public:
    explicit UrlOpener(std::string program = "xdg-open");

    // True when the address was handed on. Addresses that are empty, start with '-' (the
    // helper would read an option) or hold a NUL byte are refused (logged).
    bool open(const std::string& url) const;
    // Starts the helper program only; true once it has started. A program that cannot be
    // started is logged and gives false.
    bool launch(const std::string& url) const;

private:
    bool acceptable(const std::string& url) const;

    std::string program_;
};

}  // namespace platform
