// Standing in a folder for a while: the host enters its log folder around each
// call into module code and returns to the previous current folder after it.
#pragma once

#include <filesystem>

namespace vorlat {

// Enters `folder` and returns to the previous current folder at the end of its
// life; an empty folder leaves the current folder alone. `what` names the call
// in errors. Entering or returning fails with HostError; a failed return while
// an exception is already on its way is written to stderr instead.
class FolderVisit {
public:
    FolderVisit(const std::filesystem::path& folder, const char* what);
    ~FolderVisit() noexcept(false);
    FolderVisit(const FolderVisit&) = delete;
    FolderVisit& operator=(const FolderVisit&) = delete;

private:
    const char* what_;
    std::filesystem::path previous_;  // empty: nothing entered
    int exceptionsAtEntry_;
};

}  // namespace vorlat
