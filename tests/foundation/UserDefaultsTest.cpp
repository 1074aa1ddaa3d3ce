#include <gtest/gtest.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <random>
#include <regex>
#include <string>
#include <vector>

#include "platform/foundation/Clock.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/UserDefaults.h"
#include "tests/support/ScopedEnvironment.h"
#include "tests/support/LogInto.h"
#include "tests/support/TempDirectory.h"
#include "platform/foundation/Services.h"

namespace platform {
namespace {
namespace fs = std::filesystem;
using Dictionary = PropertyList::Dictionary;
using Array = PropertyList::Array;

// A configuration of `count` clips in the stored format, made different by `version`.
PropertyList configuration(int count, int version = 0) {
    Array names, hidden, paths;
    for (int i = 0; i < count; ++i) {
        const std::string name = "Clip " + std::to_string(version) + "-" + std::to_string(i);
        names.push_back(name);
        // Built in place: moving a temporary makes GCC 12 at -O2 falsely report the variant's
        // unused map alternative as uninitialized.
        hidden.emplace_back(i % 3 == 0 ? 1 : 0);
        paths.push_back("/opt/soundboard/Resources/" + name + ".wav");
    }
    return Dictionary{{"name", names}, {"hidden", hidden}, {"path", paths}};
}

// Kills and reaps a forked child if the test returns early, so that no saver outlives it.
struct ChildGuard {
    pid_t pid;
    ~ChildGuard() {
        if (pid <= 0) return;
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
    }
};

struct stat statOf(const fs::path& path) {
    struct stat info {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
    return info;
}

class UserDefaultsTest : public ::testing::Test {
protected:
    // The stored file parsed on its own, without a store.
    std::optional<PropertyList> storedFile() const {
        return PropertyList::fromJson(temp_.readFile(file_.lexically_relative(temp_.path())));
    }
    std::vector<std::string> folderEntries(const fs::path& folder) const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    TempDirectory temp_;
    // Two missing folders on the way: saving must create them.
    fs::path file_ = temp_ / "config" / "soundboard" / "preferences.json";
    std::vector<std::string> log_;
    ScopedServices services_{{.log = logInto(log_)}};
};

TEST_F(UserDefaultsTest, ValuesSurviveIntoANewInstance) {
    const PropertyList rootObject = configuration(3);
    {
        UserDefaults store(file_);
        store.setObject(rootObject, "rootObject");
        store.setObject(2, "shakeType");
        store.setObject(0.5, "delay");
        store.setObject(true, "loop");
        EXPECT_TRUE(store.synchronize());
    }
    UserDefaults reloaded(file_);
    EXPECT_EQ(reloaded.objectForKey("rootObject"), rootObject);
    EXPECT_EQ(reloaded.integerForKey("shakeType"), 2);
    EXPECT_EQ(reloaded.objectForKey("shakeType"), PropertyList(2));
    EXPECT_EQ(reloaded.objectForKey("delay"), PropertyList(0.5));
    EXPECT_EQ(reloaded.objectForKey("loop"), PropertyList(true));
    EXPECT_TRUE(log_.empty());
}

TEST_F(UserDefaultsTest, SavedFileAndNewFoldersArePrivate) {
    UserDefaults store(file_);
    store.setObject(1, "shakeType");
    ASSERT_TRUE(store.synchronize());
    EXPECT_EQ(statOf(file_).st_mode & 07777, 0600u);
    EXPECT_EQ(statOf(file_.parent_path()).st_mode & 07777, 0700u);
    EXPECT_EQ(statOf(temp_ / "config").st_mode & 07777, 0700u);
    EXPECT_EQ(folderEntries(file_.parent_path()), std::vector<std::string>{"preferences.json"})
        << "no temporary file is left behind";

    // A file that someone made readable to all is replaced by a private one.
    ::chmod(file_.c_str(), 0644);
    store.setObject(2, "shakeType");
    ASSERT_TRUE(store.synchronize());
    EXPECT_EQ(statOf(file_).st_mode & 07777, 0600u);
}

TEST_F(UserDefaultsTest, ReadsFallBackFromPersistentToRegisteredToNothing) {
    UserDefaults store(file_);
    store.registerDefaults({{"a", 1}, {"b", "registered"}});
    EXPECT_EQ(store.objectForKey("a"), PropertyList(1));
    store.setObject(2, "a");
    EXPECT_EQ(store.objectForKey("a"), PropertyList(2));
    store.removeObjectForKey("a");
    EXPECT_EQ(store.objectForKey("a"), PropertyList(1));

    store.registerDefaults({{"a", 3}});
    EXPECT_EQ(store.objectForKey("a"), PropertyList(3)) << "a later registration replaces";
    EXPECT_EQ(store.objectForKey("b"), PropertyList("registered")) << "and merges";
    EXPECT_EQ(store.objectForKey("none"), std::nullopt);
    EXPECT_EQ(store.integerForKey("none"), 0);
    EXPECT_EQ(store.integerForKey("b"), 0);
}

TEST_F(UserDefaultsTest, RegisteredDefaultsAreNeverWritten) {
    {
        UserDefaults store(file_);
        store.registerDefaults({{"rootObject", configuration(2)}});
        store.setObject(0, "shakeType");
        ASSERT_TRUE(store.synchronize());
    }
    EXPECT_EQ(storedFile(), PropertyList(Dictionary{{"shakeType", 0}}));
    EXPECT_EQ(UserDefaults(file_).objectForKey("rootObject"), std::nullopt);
}

TEST_F(UserDefaultsTest, NothingIsWrittenWhenNothingChanged) {
    {
        UserDefaults store(file_);
        EXPECT_TRUE(store.synchronize());
        store.removeObjectForKey("absent");
        EXPECT_TRUE(store.synchronize());
    }
    EXPECT_FALSE(fs::exists(file_.parent_path()));

    UserDefaults(file_).setObject(configuration(2), "rootObject");  // saved by the destructor
    const ino_t saved = statOf(file_).st_ino;
    UserDefaults store(file_);
    store.setObject(configuration(2), "rootObject");
    EXPECT_TRUE(store.synchronize());
    EXPECT_EQ(statOf(file_).st_ino, saved) << "an equal value is no change";
    store.setObject(configuration(3), "rootObject");
    EXPECT_TRUE(store.synchronize());
    EXPECT_NE(statOf(file_).st_ino, saved);
}

TEST_F(UserDefaultsTest, UnusableFileIsMovedAsideAndTheRunStartsEmpty) {
    const std::regex asideName(R"(preferences\.json\.corrupt-\d+)");
    for (const std::string& text :
         {std::string(R"({"shakeType": 1, "rootObject": {"name": [)"),
          std::string("\x89PNG\r\n\x1a\n\0\0", 10), std::string("[1, 2]"), std::string("\"text\""),
          std::string(""), std::string(R"({"shakeType": null})")}) {
        SCOPED_TRACE(testing::PrintToString(text));
        fs::remove_all(file_.parent_path());
        temp_.writeFile(file_.lexically_relative(temp_.path()), text);
        log_.clear();

        UserDefaults store(file_);
        EXPECT_EQ(store.objectForKey("shakeType"), std::nullopt);
        ASSERT_EQ(log_.size(), 1u);
        EXPECT_NE(log_[0].find(file_.string()), std::string::npos) << log_[0];
        const auto entries = folderEntries(file_.parent_path());
        ASSERT_EQ(entries.size(), 1u);
        EXPECT_TRUE(std::regex_match(entries[0], asideName)) << entries[0];
        const fs::path aside = file_.parent_path() / entries[0];
        EXPECT_EQ(temp_.readFile(aside.lexically_relative(temp_.path())), text);

        store.setObject(4, "shakeType");
        EXPECT_TRUE(store.synchronize());
        EXPECT_EQ(temp_.readFile(aside.lexically_relative(temp_.path())), text)
            << "the unusable file is kept";
        EXPECT_EQ(UserDefaults(file_).integerForKey("shakeType"), 4);
    }
}

TEST_F(UserDefaultsTest, AnEarlierUnusableFileIsNeverReplaced) {
    const auto relative = file_.lexically_relative(temp_.path());
    temp_.writeFile(relative, "first {");
    UserDefaults first(file_);
    temp_.writeFile(relative, "second {");
    UserDefaults second(file_);
    const auto entries = folderEntries(file_.parent_path());
    ASSERT_EQ(entries.size(), 2u);
    std::vector<std::string> contents;
    for (const auto& name : entries)
        contents.push_back(temp_.readFile(relative.parent_path() / name));
    std::sort(contents.begin(), contents.end());
    EXPECT_EQ(contents, (std::vector<std::string>{"first {", "second {"}));
}

TEST_F(UserDefaultsTest, ValuesOfUnexpectedTypesAreOrdinaryValues) {
    temp_.writeFile(file_.lexically_relative(temp_.path()),
                    R"({"rootObject": [1, "x"], "shakeType": "abc", "other": {"deep": [[]]}})");
    UserDefaults store(file_);
    EXPECT_EQ(store.objectForKey("rootObject"), PropertyList(Array{1, "x"}));
    EXPECT_EQ(store.integerForKey("shakeType"), 0);
    EXPECT_TRUE(log_.empty());
    EXPECT_EQ(folderEntries(file_.parent_path()), std::vector<std::string>{"preferences.json"});
}

TEST_F(UserDefaultsTest, FailedSaveKeepsChangesPendingUntilASaveSucceeds) {
    // A regular file where the folder should be: no one, not even root, can save there.
    temp_.writeFile("blocked", "");
    const fs::path file = temp_ / "blocked" / "preferences.json";
    UserDefaults store(file);
    store.setObject(3, "shakeType");
    EXPECT_FALSE(store.synchronize());
    ASSERT_EQ(log_.size(), 1u);
    EXPECT_NE(log_[0].find(file.string()), std::string::npos) << log_[0];
    EXPECT_EQ(store.integerForKey("shakeType"), 3);

    fs::remove(temp_ / "blocked");
    EXPECT_TRUE(store.synchronize());
    EXPECT_EQ(UserDefaults(file).integerForKey("shakeType"), 3);
    EXPECT_EQ(log_.size(), 1u);
}

TEST_F(UserDefaultsTest, FailedRenameRemovesTheTemporaryFile) {
    UserDefaults store(file_);
    // Something that a file cannot replace takes the file's place after loading.
    fs::create_directories(file_ / "occupied");
    store.setObject(1, "shakeType");
    EXPECT_FALSE(store.synchronize());
    EXPECT_EQ(log_.size(), 1u);
    EXPECT_EQ(folderEntries(file_.parent_path()), std::vector<std::string>{"preferences.json"});
}

TEST_F(UserDefaultsTest, ChangesAreFlushedHalfASecondAfterTheLastOne) {
    auto clock = std::make_shared<ManualClock>();
    RunLoop loop(clock);
    UserDefaults store(file_, &loop);

    store.setObject(1, "a");
    loop.runFor(0.3);
    EXPECT_FALSE(fs::exists(file_));
    store.setObject(2, "b");
    loop.runFor(0.45);  // 0.75 s in, 0.45 s after the last change
    EXPECT_FALSE(fs::exists(file_));
    loop.runFor(0.1);
    EXPECT_EQ(storedFile(), PropertyList(Dictionary{{"a", 1}, {"b", 2}}));

    const ino_t saved = statOf(file_).st_ino;
    loop.runFor(10);
    EXPECT_EQ(statOf(file_).st_ino, saved) << "one write per burst of changes";

    // The flush does not wait for a drag to end.
    loop.setMode(kTrackingRunLoopMode);
    store.setObject(3, "a");
    loop.runFor(UserDefaults::kFlushDelay);
    EXPECT_EQ(storedFile(), PropertyList(Dictionary{{"a", 3}, {"b", 2}}));
}

TEST_F(UserDefaultsTest, PendingFlushNeitherKeepsTheStoreAliveNorOutlivesIt) {
    auto clock = std::make_shared<ManualClock>();
    RunLoop loop(clock);
    auto store = std::make_shared<UserDefaults>(file_, &loop);
    std::weak_ptr<UserDefaults> watcher = store;
    store->setObject(5, "shakeType");
    store.reset();
    EXPECT_TRUE(watcher.expired());
    EXPECT_EQ(storedFile(), PropertyList(Dictionary{{"shakeType", 5}})) << "flushed on destruction";
    fs::remove(file_);
    loop.runFor(1);  // the cancelled flush must not touch the destroyed store
    EXPECT_FALSE(fs::exists(file_));
}

TEST_F(UserDefaultsTest, DefaultFileFollowsTheConfigHome) {
    ScopedEnvironment home("HOME", "/home/someone");
    {
        ScopedEnvironment config("XDG_CONFIG_HOME", "/xdg/config");
        EXPECT_EQ(UserDefaults::defaultFile(), "/xdg/config/soundboard/preferences.json");
    }
    const fs::path fallback = "/home/someone/.config/soundboard/preferences.json";
    for (const char* value : {static_cast<const char*>(nullptr), "", "relative/config"}) {
        ScopedEnvironment config("XDG_CONFIG_HOME", value);
        EXPECT_EQ(UserDefaults::defaultFile(), fallback) << (value ? value : "unset");
    }
    ScopedEnvironment noHome("HOME", nullptr), noConfig("XDG_CONFIG_HOME", nullptr);
    const passwd* entry = ::getpwuid(::getuid());
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(UserDefaults::defaultFile(),
              fs::path(entry->pw_dir) / ".config/soundboard/preferences.json");
}

TEST_F(UserDefaultsTest, KillingASaveLeavesTheOldOrTheNewFileWhole) {
    const auto version = [](int v) {
        return PropertyList(Dictionary{{"version", v}, {"rootObject", configuration(2000, v)}});
    };
    // Saves in progress show as temporary files beside the target.
    const auto removeTemporaryFiles = [&] {
        int removed = 0;
        for (const auto& entry : fs::directory_iterator(file_.parent_path())) {
            if (entry.path().filename().string().starts_with(".preferences.json."))
                removed += fs::remove(entry.path()) ? 1 : 0;
        }
        return removed;
    };
    // What a save changes: the folder's entries and the target's identity, size and time.
    const auto folderState = [&] {
        std::string state;
        for (const auto& entry : fs::directory_iterator(file_.parent_path()))
            state += entry.path().filename().string() + '/';
        struct stat info {};
        if (::stat(file_.c_str(), &info) == 0) {
            state += std::to_string(info.st_ino) + ' ' + std::to_string(info.st_size) + ' ' +
                     std::to_string(info.st_mtim.tv_nsec);
        }
        return state;
    };

    std::mt19937 generator(20240611);
    int interrupted = 0;
    for (int round = 0; round < 6; ++round) {
        SCOPED_TRACE(round);
        int pipeFds[2];
        ASSERT_EQ(::pipe(pipeFds), 0);
        std::fflush(nullptr);
        const pid_t child = ::fork();
        ASSERT_NE(child, -1);
        if (child == 0) {
            // Saves version after version, reporting each one that is complete on disk.
            ::close(pipeFds[0]);
            UserDefaults store(file_);
            for (int v = 1;; ++v) {
                const PropertyList next = version(v);
                for (const auto& [key, value] : *next.dictionary()) store.setObject(value, key);
                if (!store.synchronize()) ::_exit(2);
                if (::write(pipeFds[1], &v, sizeof v) != sizeof v) ::_exit(3);
            }
        }
        ChildGuard guard{child};
        ::close(pipeFds[1]);
        int saved = 0;
        for (int k = 0; k <= round % 3; ++k)
            ASSERT_EQ(::read(pipeFds[0], &saved, sizeof saved), static_cast<ssize_t>(sizeof saved));
        if (round % 2 == 0) {
            // Strike in the middle of the next save, as soon as it shows in the folder.
            const std::string before = folderState();
            for (int polls = 0; polls < 100'000 && folderState() == before; ++polls) {
            }
        } else {
            // Strike at some moment of the next save or the work before it.
            for (volatile unsigned spin = generator() % 3'000'000; spin > 0;) spin = spin - 1;
        }
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        guard.pid = 0;
        ASSERT_TRUE(WIFSIGNALED(status)) << "the saving child failed: " << status;
        // Reports sent after those read above: the last one is the newest complete save.
        for (int report = 0; ::read(pipeFds[0], &report, sizeof report) == sizeof report;)
            saved = report;
        ::close(pipeFds[0]);

        const auto stored = UserDefaults(file_).objectForKey("version");
        ASSERT_TRUE(stored) << "the file must parse";
        const int v = static_cast<int>(stored->integerValue());
        // The newest report, or the save that was renamed into place but not reported.
        EXPECT_TRUE(v == saved || v == saved + 1) << v << " after " << saved;
        EXPECT_EQ(storedFile(), version(v));
        interrupted += removeTemporaryFiles() > 0 ? 1 : 0;
    }
    EXPECT_GT(interrupted, 0) << "no kill landed inside a save";
    EXPECT_TRUE(log_.empty()) << log_.front();
}

}  // namespace
}  // namespace platform
