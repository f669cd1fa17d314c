// A folder of one test's own under the system's temporary folder, made empty
// on creation and removed with everything in it when the test is done, and
// writable copies of corpus workbooks placed in it.
#pragma once

#include <unistd.h>

#include <atomic>
#include <cstddef>
#include <filesystem>
#include <iterator>
#include <string>

namespace tarnvale::testing {

class TempFolder {
  public:
    // "tarnvale-LABEL-PID-N": unique across processes and within one.
    explicit TempFolder(const std::string& label) {
        static std::atomic<int> next{0};
        path_ =
            std::filesystem::temp_directory_path() /
            ("tarnvale-" + label + "-" + std::to_string(::getpid()) + "-" + std::to_string(next++));
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

    // A copy of a corpus workbook under the given name; the corpus is
    // read-only, the user's own copy is not.
    std::filesystem::path copyOfCorpus(const std::string& corpusName, const std::string& as) const {
        const std::filesystem::path copy = path_ / as;
        std::filesystem::create_directories(copy.parent_path());
        std::filesystem::copy_file(std::filesystem::path(TARNVALE_CORPUS_DIR) / corpusName, copy,
                                   std::filesystem::copy_options::overwrite_existing);
        std::filesystem::permissions(copy, std::filesystem::perms::owner_write,
                                     std::filesystem::perm_options::add);
        return copy;
    }

    // How many entries the folder holds (a save leaves no temporary file).
    std::ptrdiff_t entries() const {
        return std::distance(std::filesystem::directory_iterator(path_),
                             std::filesystem::directory_iterator());
    }

  private:
    std::filesystem::path path_;
};

}  // namespace tarnvale::testing
