// Scratch folders for tests: a fresh folder under the system's temporary folder,
// removed with everything in it at the end, and a scope that makes a folder the
// process's current one (the module writes its log there) and then returns.
// std::filesystem only, so the Windows conformance suite builds it too.
#pragma once

#include <filesystem>
#include <random>
#include <string>
#include <system_error>

namespace vorlat::test {

class ScratchFolder {
public:
    ScratchFolder() {
        std::random_device random;
        do {
            path_ = std::filesystem::temp_directory_path() / ("vorlat-test-" + std::to_string(random()));
        } while (!std::filesystem::create_directory(path_));
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::filesystem::path& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

// Enters `folder` for the scope's lifetime; the folder it left is current again afterwards.
class CurrentFolderScope {
public:
    explicit CurrentFolderScope(const std::filesystem::path& folder) : previous_(std::filesystem::current_path()) {
        std::filesystem::current_path(folder);
    }
    ~CurrentFolderScope() {
        std::error_code ignored;  // a destructor must not throw
        std::filesystem::current_path(previous_, ignored);
    }
    CurrentFolderScope(const CurrentFolderScope&) = delete;
    CurrentFolderScope& operator=(const CurrentFolderScope&) = delete;

private:
    std::filesystem::path previous_;
};

}  // namespace vorlat::test
