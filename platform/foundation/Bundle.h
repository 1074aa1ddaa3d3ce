#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "platform/foundation/PropertyList.h"

namespace platform {

// A folder of read-only resources: clips, images and the information dictionaries.
//
// The folder is listed once, on the first lookup, and the listing is kept for the bundle's
// lifetime: resources do not change while the program runs. Lookups never leave the folder.
// Main thread only.
class Bundle {
public:
    explicit Bundle(std::filesystem::path resourcePath);
    Bundle(const Bundle&) = delete;
    Bundle& operator=(const Bundle&) = delete;

    // The resource folder of the running executable: forExecutableFolder() of its folder.
    static std::shared_ptr<Bundle> forRunningExecutable();
    // The bundle of a program in `folder`: "Resources" beside it (the build tree),
    // else "../share/soundboard" (an install, wherever its prefix was copied or moved). When
    // neither is a folder: one log line, and an empty bundle at the first place looked in.
    static std::shared_ptr<Bundle> forExecutableFolder(const std::filesystem::path& folder);

    const std::filesystem::path& resourcePath() const { return resourcePath_; }
    // False for the empty bundle that forExecutableFolder() gives when there is no resource
    // folder: that was logged once, so lookups that find nothing in it need not say so again.
    bool hasFolder() const { return hasFolder_; }

    // Full paths of the regular files directly in the folder whose extension (the text after
    // the last dot) is `type`, sorted by file name in byte order. Files whose name has nothing
    // before that dot (".wav") are no resources.
    std::vector<std::string> pathsForResourcesOfType(const std::string& type) const;
    // The full path of the regular file "<name>.<type>" (just "<name>" for an empty type)
    // directly in the folder. A name that is empty, ".", "..", or holds '/' or NUL finds
    // nothing, as does a type holding '/' or NUL.
    std::optional<std::string> pathForResource(const std::string& name,
                                               const std::string& type) const;

    // "Info.json" in the folder; empty when missing or invalid (invalid: one log line).
    const PropertyList::Dictionary& infoDictionary() const;
    // "<lang>.lproj/InfoPlist.json" for the first language of localizationsForLocale() (read
    // from LC_ALL, LC_MESSAGES, then LANG) that has one; empty when none does.
    const PropertyList::Dictionary& localizedInfoDictionary() const;
    // The localized value for `key`, else the one in infoDictionary(), else nullptr.
    const PropertyList* objectForInfoDictionaryKey(const std::string& key) const;
    // The application's name: "CFBundleName", localized, else unlocalized; nullopt when
    // neither dictionary has it as a string.
    std::optional<std::string> name() const;
    // The name to show where the application must have one (window title, About screen):
    // name() unless missing or empty, else kFallbackName.
    std::string displayName() const;
    static constexpr const char* kFallbackName = "Soundboard";

    // Folder names to try for a locale, most specific first, always ending in "en":
    // "de_DE.UTF-8@euro" -> {"de_DE", "de", "en"}; "", "C" and "POSIX" -> {"en"}.
    static std::vector<std::string> localizationsForLocale(const std::string& locale);

private:
    void listFolder() const;

    std::filesystem::path resourcePath_;
    std::string folderPrefix_;  // resourcePath_ with a trailing '/'
    bool hasFolder_ = true;

    // Filled on first use.
    mutable bool listed_ = false;
    mutable std::vector<std::string> fileNames_;  // directory order; fixed once listed
    mutable std::unordered_set<std::string_view> fileNameSet_;  // views of fileNames_
    mutable std::optional<PropertyList::Dictionary> info_;
    mutable std::optional<PropertyList::Dictionary> localizedInfo_;
};

}  // namespace platform
