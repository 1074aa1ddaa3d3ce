#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "platform/foundation/PropertyList.h"

namespace platform {

class RunLoop;
class Timer;

// The application's preferences: a persistent domain kept in one JSON file and a volatile
// registration domain. Reads fall back persistent -> registered -> nothing.
//
// Saving is atomic (temp file in the same folder, fsync, rename, fsync of the folder; mode
// 0600), so a crash at any moment leaves the old file or the new one, whole. A file that cannot
// be read or parsed, or whose top level is no object, is renamed aside to
// "<file>.corrupt-<unix time>" and the store starts empty; it is never overwritten.
//
// Main thread only. The store never throws: failures end in one log line.
class UserDefaults {
public:
    // Loads `file` (missing: empty). With a run loop, every change schedules a flush 0.5 s after
    // the last change, in all run-loop modes. The run loop is not owned and must outlive the
    // store; a pending flush never keeps the store alive nor runs after its destruction.
    explicit UserDefaults(std::filesystem::path file, RunLoop* runLoop = nullptr);
    // Flushes pending changes.
    ~UserDefaults();
    UserDefaults(const UserDefaults&) = delete;
    UserDefaults& operator=(const UserDefaults&) = delete;

    // $XDG_CONFIG_HOME/soundboard/preferences.json; ~/.config when XDG_CONFIG_HOME is unset,
    // empty or relative.
    static std::filesystem::path defaultFile();
    // Delay between the last change and the automatic flush, in seconds.
    static constexpr double kFlushDelay = 0.5;

    std::optional<PropertyList> objectForKey(const std::string& key) const;
    // The integer value of the object under `key`; 0 when there is none.
    int64_t integerForKey(const std::string& key) const;

    // Persistent changes. Setting a value equal to the stored one changes nothing.
    void setObject(PropertyList value, const std::string& key);
    void removeObjectForKey(const std::string& key);
    // Merges `defaults` into the registration domain, which is never written.
    void registerDefaults(const PropertyList::Dictionary& defaults);

    // Writes pending persistent changes; true when the file holds them (or nothing was
    // pending). On failure: one log line, false, and the changes stay pending in memory.
    bool synchronize();

    const std::filesystem::path& file() const { return file_; }

private:
    void load();
    void moveAside(const char* reason);
    void changed();

    std::filesystem::path file_;
    RunLoop* runLoop_;         // not owned
    PropertyList persistent_;  // always a dictionary
    PropertyList::Dictionary registered_;
    bool dirty_ = false;
    // Set when an unreadable file could not be moved aside: saving would destroy it.
    bool saveBlocked_ = false;
    std::weak_ptr<Timer> flushTimer_;  // owned by the run loop while scheduled
};

}  // namespace platform
