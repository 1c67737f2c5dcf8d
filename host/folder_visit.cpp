// The host's one way of changing the process's current folder, and back.
#include "host/folder_visit.h"

#include <cstdio>
#include <exception>
#include <string>
#include <system_error>
#include <utility>

#include "common/printable.h"
#include "common/utf8_path.h"
#include "host/host.h"

namespace vorlat {

FolderVisit::FolderVisit(const std::filesystem::path& folder, const char* what)
    : what_(what), exceptionsAtEntry_(std::uncaught_exceptions()) {
    if (folder.empty()) {
        return;
    }
    std::error_code error;
    std::filesystem::path previous = std::filesystem::current_path(error);
    if (error) {
        throw HostError(std::string(what) + ": cannot tell the current folder before entering the log folder " +
                        utf8Of(folder) + " (" + error.message() + ")");
    }
    std::filesystem::current_path(folder, error);
    if (error) {
        throw HostError(std::string(what) + ": cannot enter the log folder " + utf8Of(folder) + " (" + error.message() +
                        ")");
    }
    previous_ = std::move(previous);
}

FolderVisit::~FolderVisit() noexcept(false) {
    if (previous_.empty()) {
        return;
    }
    std::error_code error;
    std::filesystem::current_path(previous_, error);
    if (!error) {
        return;
    }
    const std::string problem = std::string(what_) + ": cannot return from the log folder to " + utf8Of(previous_) +
                                " (" + error.message() + ")";
    // A second exception during unwinding would end the process: report this one instead.
    if (std::uncaught_exceptions() > exceptionsAtEntry_) {
        std::fprintf(stderr, "vorlat host: %s\n", terminalText(problem).c_str());
        return;
    }
    throw HostError(problem);
}

}  // namespace vorlat
