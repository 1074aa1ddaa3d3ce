#include "tests/support/TempDirectory.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <system_error>

namespace platform {

namespace fs = std::filesystem;

TempDirectory::TempDirectory() {
    std::error_code error;
    const fs::path base = fs::temp_directory_path(error);
    std::string pattern = ((error ? fs::path("/tmp") : base) / "soundboard-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) {
        std::perror("mkdtemp");
        std::abort();
    }
    path_ = pattern;
}

TempDirectory::~TempDirectory() {
    // Tests may take permissions away; give them back so that everything can be removed.
    std::error_code error;
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, error);
    for (auto it = fs::recursive_directory_iterator(path_, error);
         !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
        std::error_code entryError;
        if (it->is_directory(entryError) && !it->is_symlink(entryError))
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, entryError);
    }
    fs::remove_all(path_, error);
}

fs::path TempDirectory::writeFile(const fs::path& relative, std::string_view contents) const {
    const fs::path file = path_ / relative;
    fs::create_directories(file.parent_path());
    std::ofstream stream(file, std::ios_base::binary | std::ios_base::trunc);
    stream.write(contents.data(), static_cast<std::streamsize>(contents.size()));
    return file;
}

std::string TempDirectory::readFile(const fs::path& relative) const {
    std::ifstream stream(path_ / relative, std::ios_base::binary);
    return std::string(std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>());
}

}  // namespace platform
