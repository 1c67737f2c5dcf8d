// Loading the module file: a private copy where asked, the records checked, the
// log folder confirmed, moduleInit and moduleDeinit, and unloading.
#include <atomic>
#include <cstdlib>
#include <random>
#include <utility>

#include "host/host_state.h"

namespace vorlat {

using detail::hex;
using detail::ModuleCall;
using detail::pointerAt;
using detail::R;
using detail::Routine;

namespace {

// A copy of the module file under a fresh name in the temporary folder.
std::filesystem::path privateCopyOf(const std::filesystem::path& file) {
    static std::atomic<unsigned> copies{0};
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const auto name = std::filesystem::temp_directory_path() /
                          ("vorlat-" + hex(random()) + "-" + std::to_string(copies++) + "-" + file.filename().string());
        std::error_code error;
        if (std::filesystem::copy_file(file, name, std::filesystem::copy_options::none, error)) {
            return name;
        }
        if (error != std::errc::file_exists) {
            throw LoadError(file.string() + ": cannot make a private copy at " + name.string() + " (" +
                            error.message() + ")");
        }
    }
    throw LoadError(file.string() + ": cannot find a free name for a private copy");
}

// Defaults filled in, the module file present, the log folder an existing one (made absolute).
HostOptions checkedOptions(HostOptions options) {
    if (options.modulePath.empty()) options.modulePath = defaultModulePath();
    if (options.resourceScript.empty()) options.resourceScript = defaultResourceScript();
    std::error_code error;
    if (!std::filesystem::is_regular_file(options.modulePath, error)) {
        throw LoadError(options.modulePath + ": no such module file");
    }
    if (!options.logFolder.empty()) {
        if (!std::filesystem::is_directory(options.logFolder, error)) {
            throw LoadError(options.logFolder + ": the log folder is not an existing folder");
        }
        options.logFolder = std::filesystem::absolute(options.logFolder).string();
    }
    return options;
}

void removeCopy(std::filesystem::path& copyPath) {
    if (!copyPath.empty()) {
        std::error_code ignored;
        std::filesystem::remove(copyPath, ignored);
        copyPath.clear();
    }
}

}  // namespace

Host::Host(HostOptions options) {
    auto state = std::make_unique<State>();
    state->options = checkedOptions(std::move(options));
    std::filesystem::path loadPath = state->options.modulePath;
    if (state->options.privateCopy) {
        state->copyPath = privateCopyOf(loadPath);
        loadPath = state->copyPath;
    }
    try {
        state->library = std::make_unique<ModuleLibrary>(loadPath.string(), state->options.modulePath);
        // Where a loaded file may be removed, do it now: a crash then leaves no copy behind.
        if (ModuleLibrary::FILE_REMOVABLE_WHILE_LOADED) removeCopy(state->copyPath);
        state->load();
        if (auto init = reinterpret_cast<Routine>(pointerAt(state->linkage, R.linkage.moduleInit))) {
            ModuleCall call(*state, "moduleInit");
            init();
        }
    } catch (...) {
        state->library.reset();
        removeCopy(state->copyPath);
        throw;
    }
    state_ = state.release();
}

Host::~Host() {
    if (state_->library) state_->library->unload();
    removeCopy(state_->copyPath);
    delete state_;
}

void Host::unload() {
    State& s = *state_;
    s.requireLoaded("unload");
    if (auto deinit = reinterpret_cast<Routine>(pointerAt(s.linkage, R.linkage.moduleDeinit))) {
        ModuleCall call(s, "moduleDeinit");
        deinit();
    }
    s.library->unload();
    s.library.reset();
    s.linkage = s.importTable = s.header = s.root = nullptr;
    s.children.clear();
    s.mouseAreas = nullptr;
    s.elementsReady = false;
    removeCopy(s.copyPath);
}

std::string defaultModulePath() {
    if (const char* fromEnvironment = std::getenv("VORLAT_MODULE"); fromEnvironment && *fromEnvironment) {
        return fromEnvironment;
    }
#ifdef VORLAT_DEFAULT_MODULE
    return VORLAT_DEFAULT_MODULE;
#else
    return {};
#endif
}

std::string defaultResourceScript() {
#ifdef VORLAT_DEFAULT_RESOURCE_SCRIPT
    return VORLAT_DEFAULT_RESOURCE_SCRIPT;
#else
    return {};
#endif
}

}  // namespace vorlat
