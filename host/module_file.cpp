// Loading the module file: a private copy where asked, the file checked before
// it is mapped, the records checked, the log folder confirmed, moduleInit and
// moduleDeinit, and unloading.
#include <atomic>
#include <cstdlib>
#include <random>
#include <string_view>
#include <utility>

#include "common/utf8_path.h"
#include "host/host_state.h"
#include "host/module_check.h"

namespace vorlat {

using detail::hex;
using detail::ModuleCall;
using detail::pointerAt;
using detail::R;
using detail::Routine;

namespace {

constexpr std::string_view COPY_PREFIX = "vorlat-0x";

#ifdef _WIN32
// vorlat-0xHEX-COUNT-NAME, as privateCopyOf names a copy.
bool isPrivateCopyName(std::string_view name) {
    if (!name.starts_with(COPY_PREFIX)) return false;
    name.remove_prefix(COPY_PREFIX.size());
    const std::size_t hexEnd = name.find_first_not_of("0123456789abcdef");
    if (hexEnd == 0 || hexEnd == std::string_view::npos || name[hexEnd] != '-') return false;
    name.remove_prefix(hexEnd + 1);
    const std::size_t countEnd = name.find_first_not_of("0123456789");
    return countEnd != 0 && countEnd != std::string_view::npos && name[countEnd] == '-' && countEnd + 1 < name.size();
}

// Windows keeps a loaded library's file, so a copy goes only after FreeLibrary
// and a crashed run leaves its copy behind: the first copy of a process removes
// such leftovers. A copy another running vorlat has loaded cannot be removed
// and stays.
void removeLeftoverCopies() {
    static const bool swept = [] {
        std::error_code error;
        for (std::filesystem::directory_iterator entry(std::filesystem::temp_directory_path(error), error), end;
             !error && entry != end; entry.increment(error)) {
            std::error_code ignored;
            if (isPrivateCopyName(utf8Of(entry->path().filename())) && entry->is_regular_file(ignored))
                std::filesystem::remove(entry->path(), ignored);
        }
        return true;
    }();
    (void)swept;
}
#else
void removeLeftoverCopies() {}  // a copy is unlinked as soon as it is loaded
#endif

// A copy of the module file under a fresh name in the temporary folder.
std::filesystem::path privateCopyOf(const std::filesystem::path& file) {
    static std::atomic<unsigned> copies{0};
    removeLeftoverCopies();
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const auto name = std::filesystem::temp_directory_path() /
                          pathFromUtf8(std::string(COPY_PREFIX) + hex(random()).substr(2) + "-" +
                                       std::to_string(copies++) + "-" + utf8Of(file.filename()));
        std::error_code error;
        if (std::filesystem::copy_file(file, name, std::filesystem::copy_options::none, error)) {
            return name;
        }
        if (error != std::errc::file_exists) {
            throw LoadError(utf8Of(file) + ": cannot make a private copy at " + utf8Of(name) + " (" + error.message() +
                            ")");
        }
    }
    throw LoadError(utf8Of(file) + ": cannot find a free name for a private copy");
}

// Defaults filled in, the module file present, the log folder an existing one (made absolute).
HostOptions checkedOptions(HostOptions options) {
    if (options.modulePath.empty()) options.modulePath = defaultModulePath();
    if (options.resourceScript.empty()) options.resourceScript = defaultResourceScript();
    const std::filesystem::path module = pathFromUtf8(options.modulePath);
    std::error_code error;
    const auto status = std::filesystem::status(module, error);
    if (!std::filesystem::exists(status)) throw LoadError(options.modulePath + ": no such module file");
    if (std::filesystem::is_directory(status)) throw LoadError(options.modulePath + ": a folder, not a module file");
    if (!std::filesystem::is_regular_file(status)) {
        throw LoadError(options.modulePath + ": not a regular file, so not a module file");
    }
    if (const auto size = std::filesystem::file_size(module, error); !error && size > MAX_MODULE_BYTES) {
        throw LoadError(options.modulePath + ": " + tooLargeForAModule());
    }
    if (!options.logFolder.empty()) {
        const std::filesystem::path logFolder = pathFromUtf8(options.logFolder);
        if (!std::filesystem::is_directory(logFolder, error)) {
            throw LoadError(options.logFolder + ": the log folder is not an existing folder");
        }
        options.logFolder = utf8Of(std::filesystem::absolute(logFolder));
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
    const std::string& name = state->options.modulePath;
    std::filesystem::path loadPath = pathFromUtf8(name);
    if (state->options.privateCopy) {
        state->copyPath = privateCopyOf(loadPath);
        loadPath = state->copyPath;
    }
    try {
        // The bytes that will be loaded are checked first: a damaged file is refused, not mapped.
        checkModuleFile(utf8Of(loadPath), name);
        state->library = std::make_unique<ModuleLibrary>(
            ModuleFile{.path = utf8Of(loadPath), .name = name, .temporary = state->options.privateCopy});
        if (state->library->fileRemoved()) state->copyPath.clear();
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
    if (const char* fromEnvironment = std::getenv("VORLAT_RESOURCE_SCRIPT"); fromEnvironment && *fromEnvironment) {
        return fromEnvironment;
    }
#ifdef VORLAT_DEFAULT_RESOURCE_SCRIPT
    return VORLAT_DEFAULT_RESOURCE_SCRIPT;
#else
    return {};
#endif
}

}  // namespace vorlat
