#include "platform/foundation/UserDefaults.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "platform/foundation/Log.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/Timer.h"

namespace platform {
namespace {
// The whole file in `text`; returns 0 or the errno of the failing call.
int readFile(const std::filesystem::path& file, std::string& text) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno;
    struct stat info {};
    if (::fstat(fd, &info) == 0 && info.st_size > 0)
        text.reserve(static_cast<size_t>(info.st_size));
    char buffer[64 * 1024];
    int error = 0;
    for (;;) {
        const ssize_t count = ::read(fd, buffer, sizeof buffer);
        if (count > 0) {
            text.append(buffer, static_cast<size_t>(count));
        } else if (count == 0) {
            break;
        } else if (errno != EINTR) {
            error = errno;
            break;
        }
    }
    ::close(fd);
    return error;
}

bool writeAll(int fd, const std::string& text) {
    const char* data = text.data();
    size_t left = text.size();
    while (left > 0) {
        const ssize_t count = ::write(fd, data, left);
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) {
            if (count == 0) errno = EIO;
            return false;
        }
        data += count;
        left -= static_cast<size_t>(count);
    }
    return true;
}

// Makes `folder` and any missing parents with mode 0700; returns 0 or an errno.
int makeFolder(const std::filesystem::path& folder) {
    struct stat info {};
    if (::stat(folder.c_str(), &info) == 0) return S_ISDIR(info.st_mode) ? 0 : ENOTDIR;
    if (errno != ENOENT) return errno;
    const auto parent = folder.parent_path();
    if (!parent.empty() && parent != folder) {
        if (const int error = makeFolder(parent)) return error;
    }
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return errno;
    return 0;
}

// Replaces `file` by a file holding `text` so that, whenever the process dies, `file` is either
// the old file or the new one, complete. Returns false after one log line.
bool writeAtomically(const std::filesystem::path& file, const std::string& text) {
    const auto folder = file.has_parent_path() ? file.parent_path() : std::filesystem::path(".");
    const auto fail = [&](const char* step, int error) {
        Log::print("Cannot save preferences to %s: %s: %s", file.c_str(), step,
                   std::strerror(error));
        return false;
    };
    if (const int error = makeFolder(folder)) return fail("creating the folder", error);

    // A hidden name beside the target; built step by step to dodge a false GCC 12 -Wrestrict.
    std::string tempName = ".";
    tempName += file.filename().string();
    tempName += ".XXXXXX";
    std::string temp = (folder / tempName).string();
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) return fail("creating a temporary file", errno);
    const char* step = nullptr;
    int error = 0;
    const auto check = [&](bool ok, const char* name) {
        if (!ok && !step) {
            step = name;
            error = errno;
        }
    };
    check(writeAll(fd, text), "writing");
    if (!step) check(::fsync(fd) == 0, "syncing");
    if (!step) check(::fchmod(fd, 0600) == 0, "setting the mode");
    check(::close(fd) == 0, "closing");
    if (!step) check(::rename(temp.c_str(), file.c_str()) == 0, "renaming");
    if (step) {
        ::unlink(temp.c_str());
        return fail(step, error);
    }

    // The rename is durable only once the folder's entry is on disk.
    const int folderFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd < 0) return fail("opening the folder", errno);
    const bool synced = ::fsync(folderFd) == 0;
    const int syncError = errno;
    ::close(folderFd);
    return synced || fail("syncing the folder", syncError);
}

std::filesystem::path homeFolder() {
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/') return home;
    if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir) return entry->pw_dir;
    return {};
}
}  // namespace

UserDefaults::UserDefaults(std::filesystem::path file, RunLoop* runLoop)
    : file_(std::move(file)), runLoop_(runLoop) {
    load();
}

UserDefaults::~UserDefaults() {
    if (auto timer = flushTimer_.lock()) timer->invalidate();
    if (dirty_) synchronize();
}

std::filesystem::path UserDefaults::defaultFile() {
    const char* configHome = std::getenv("XDG_CONFIG_HOME");
    const std::filesystem::path config = configHome && configHome[0] == '/'
                                             ? std::filesystem::path(configHome)
                                             : homeFolder() / ".config";
    return config / "soundboard" / "preferences.json";
}

void UserDefaults::load() {
    std::string text;
    const int error = readFile(file_, text);
    // No file, or no folder for it: nothing stored yet.
    if (error == ENOENT || error == ENOTDIR) return;
    if (error == 0) {
        auto value = PropertyList::fromJson(text);
        if (value && value->isDictionary()) {
            persistent_ = std::move(*value);
            return;
        }
    }
    moveAside(error ? std::strerror(error) : "not a JSON object");
}

void UserDefaults::moveAside(const char* reason) {
    const std::string base = file_.string() + ".corrupt-" + std::to_string(std::time(nullptr));
    // Never replace an earlier corrupt file: a second one in the same second gets a suffix.
    int error = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string aside = attempt == 0 ? base : base + "-" + std::to_string(attempt);
        int result =
            ::renameat2(AT_FDCWD, file_.c_str(), AT_FDCWD, aside.c_str(), RENAME_NOREPLACE);
        if (result != 0 && errno == EINVAL) {
            // The filesystem cannot refuse to replace; check first instead.
            struct stat info {};
            if (::lstat(aside.c_str(), &info) == 0) continue;
            result = ::rename(file_.c_str(), aside.c_str());
        }
        if (result == 0) {
            Log::print("Preferences file %s is unusable (%s); moved it to %s and starting empty",
                       file_.c_str(), reason, aside.c_str());
            return;
        }
        error = errno;
        if (error != EEXIST) break;
    }
    saveBlocked_ = true;
    Log::print(
        "Preferences file %s is unusable (%s) and cannot be moved aside (%s); starting "
        "empty and saving nothing",
        file_.c_str(), reason, std::strerror(error));
}

std::optional<PropertyList> UserDefaults::objectForKey(const std::string& key) const {
    if (const PropertyList* value = persistent_.objectForKey(key)) return *value;
    const auto found = registered_.find(key);
    if (found != registered_.end()) return found->second;
    return std::nullopt;
}

int64_t UserDefaults::integerForKey(const std::string& key) const {
    const auto value = objectForKey(key);
    return value ? value->integerValue() : 0;
}

void UserDefaults::setObject(PropertyList value, const std::string& key) {
    auto& entries = *persistent_.dictionary();
    const auto found = entries.find(key);
    if (found != entries.end()) {
        if (found->second == value) return;
        found->second = std::move(value);
    } else {
        entries.emplace(key, std::move(value));
    }
    changed();
}

void UserDefaults::removeObjectForKey(const std::string& key) {
    if (persistent_.dictionary()->erase(key) > 0) changed();
}

void UserDefaults::registerDefaults(const PropertyList::Dictionary& defaults) {
    for (const auto& [key, value] : defaults) registered_.insert_or_assign(key, value);
}

void UserDefaults::changed() {
    dirty_ = true;
    if (!runLoop_) return;
    if (auto timer = flushTimer_.lock()) timer->invalidate();
    // The timer holds no reference to the store; the destructor invalidates it.
    flushTimer_ = runLoop_->performAfterDelay(
        kFlushDelay,
        [this] {
            flushTimer_.reset();
            synchronize();
        },
        {}, kCommonRunLoopModes);
}

bool UserDefaults::synchronize() {
    if (auto timer = flushTimer_.lock()) timer->invalidate();
    if (!dirty_) return true;
    if (saveBlocked_) {
        Log::print("Not saving preferences: %s could not be moved aside", file_.c_str());
        return false;
    }
    if (!writeAtomically(file_, persistent_.toJson())) return false;
    dirty_ = false;
    return true;
}

}  // namespace platform
