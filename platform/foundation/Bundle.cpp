#include "platform/foundation/Bundle.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <system_error>

#include "platform/foundation/Log.h"

namespace platform {
namespace {
std::filesystem::path executableFolder() {
    std::error_code error;
    const auto executable = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) {
        Log::print("Cannot find the executable (%s); looking for resources in the current folder",
                   error.message().c_str());
        return {};
    }
    return executable.parent_path();
}

bool isPlainName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of(std::string_view("/\0", 2)) == std::string::npos;
}

std::string_view extensionOf(std::string_view fileName) {
    const size_t dot = fileName.rfind('.');
    return dot == fileName.npos ? std::string_view() : fileName.substr(dot + 1);
}

// A name with nothing before its last dot (".wav") has no resource name to look it up by.
bool hasResourceName(std::string_view fileName) {
    const size_t dot = fileName.rfind('.');
    return dot != 0;
}

// The dictionary in a JSON file. Missing: empty. Unreadable or not an object: empty, and a log
// line.
PropertyList::Dictionary readDictionary(const std::filesystem::path& file) {
    std::error_code error;
    if (!std::filesystem::exists(file, error)) return {};
    std::ifstream stream(file, std::ios_base::binary);
    if (!stream) {
        Log::print("Cannot read %s", file.c_str());
        return {};
    }
    const std::string text((std::istreambuf_iterator<char>(stream)),
                           std::istreambuf_iterator<char>());
    auto value = PropertyList::fromJson(text);
    if (!value || !value->isDictionary()) {
        Log::print("Ignoring %s: not a JSON object", file.c_str());
        return {};
    }
    return std::move(*value->dictionary());
}

std::string userLocale() {
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value && *value) return value;
    }
    return {};
}
}  // namespace

Bundle::Bundle(std::filesystem::path resourcePath)
    : resourcePath_(std::move(resourcePath)), folderPrefix_(resourcePath_.string()) {
    if (folderPrefix_.empty() || folderPrefix_.back() != '/') folderPrefix_ += '/';
}

std::shared_ptr<Bundle> Bundle::forRunningExecutable() {
    return forExecutableFolder(executableFolder());
}

std::shared_ptr<Bundle> Bundle::forExecutableFolder(const std::filesystem::path& folder) {
    const std::filesystem::path candidates[] = {
        folder / "Resources",
        (folder / ".." / "share" / "soundboard").lexically_normal(),
    };
    for (const auto& candidate : candidates) {
        std::error_code error;
        if (std::filesystem::is_directory(candidate, error))
            return std::make_shared<Bundle>(candidate);
    }
    Log::print("No resources in %s or %s: the board is empty", candidates[0].c_str(),
               candidates[1].c_str());
    auto bundle = std::make_shared<Bundle>(candidates[0]);
    bundle->listed_ = true;  // nothing to list, and already said so
    bundle->hasFolder_ = false;
    return bundle;
}

void Bundle::listFolder() const {
    listed_ = true;
    // Plain readdir: the entry types it reports save a stat per file, which matters for
    // thousands of clips.
    DIR* folder = ::opendir(resourcePath_.c_str());
    if (!folder) {
        Log::print("Cannot list resources in %s: %s", resourcePath_.c_str(), std::strerror(errno));
        return;
    }
    const int folderFd = ::dirfd(folder);
    while (const dirent* entry = ::readdir(folder)) {
        bool regular = entry->d_type == DT_REG;
        if (entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK) {
            struct stat info {};
            regular = ::fstatat(folderFd, entry->d_name, &info, 0) == 0 && S_ISREG(info.st_mode);
        }
        if (regular) fileNames_.emplace_back(entry->d_name);
    }
    ::closedir(folder);
    fileNameSet_.reserve(fileNames_.size());
    fileNameSet_.insert(fileNames_.begin(), fileNames_.end());
}

std::vector<std::string> Bundle::pathsForResourcesOfType(const std::string& type) const {
    if (!listed_) listFolder();
    std::vector<std::string_view> matches;
    for (const auto& fileName : fileNames_) {
        if (extensionOf(fileName) == type && hasResourceName(fileName)) matches.push_back(fileName);
    }
    // string_view compares bytes as unsigned char, which is byte order.
    std::sort(matches.begin(), matches.end());
    std::vector<std::string> paths;
    paths.reserve(matches.size());
    for (const auto fileName : matches) paths.push_back(folderPrefix_ + std::string(fileName));
    return paths;
}

std::optional<std::string> Bundle::pathForResource(const std::string& name,
                                                   const std::string& type) const {
    if (!isPlainName(name) || type.find_first_of(std::string_view("/\0", 2)) != type.npos)
        return std::nullopt;
    if (!listed_) listFolder();
    std::string fileName = type.empty() ? name : name + '.' + type;
    if (!fileNameSet_.contains(fileName)) return std::nullopt;
    return folderPrefix_ + fileName;
}

const PropertyList::Dictionary& Bundle::infoDictionary() const {
    if (!info_) info_ = readDictionary(resourcePath_ / "Info.json");
    return *info_;
}

const PropertyList::Dictionary& Bundle::localizedInfoDictionary() const {
    if (localizedInfo_) return *localizedInfo_;
    localizedInfo_.emplace();
    for (const auto& language : localizationsForLocale(userLocale())) {
        const auto file = resourcePath_ / (language + ".lproj") / "InfoPlist.json";
        std::error_code error;
        if (std::filesystem::exists(file, error)) {
            *localizedInfo_ = readDictionary(file);
            break;
        }
    }
    return *localizedInfo_;
}

const PropertyList* Bundle::objectForInfoDictionaryKey(const std::string& key) const {
    for (const auto* dictionary : {&localizedInfoDictionary(), &infoDictionary()}) {
        const auto found = dictionary->find(key);
        if (found != dictionary->end()) return &found->second;
    }
    return nullptr;
}

std::optional<std::string> Bundle::name() const {
    for (const auto* dictionary : {&localizedInfoDictionary(), &infoDictionary()}) {
        const auto found = dictionary->find("CFBundleName");
        if (found != dictionary->end() && found->second.string()) return *found->second.string();
    }
    return std::nullopt;
}

std::string Bundle::displayName() const {
    const auto found = name();
    return found && !found->empty() ? *found : kFallbackName;
}

std::vector<std::string> Bundle::localizationsForLocale(const std::string& locale) {
    // language[_territory][.codeset][@modifier]
    const std::string name = locale.substr(0, locale.find_first_of(".@"));
    // Only plain locale names become folder names: the lookup must stay inside the bundle.
    const bool plain = std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               c == '_' || c == '-';
    });
    std::vector<std::string> languages;
    if (plain && !name.empty() && name != "C" && name != "POSIX") {
        languages.push_back(name);
        const size_t underscore = name.find('_');
        if (underscore != std::string::npos && underscore > 0)
            languages.push_back(name.substr(0, underscore));
    }
    if (std::find(languages.begin(), languages.end(), "en") == languages.end())
        languages.push_back("en");
    return languages;
}

}  // namespace platform
