// Broken and hostile module files: the host refuses each with a LoadError that
// names the file and says what is wrong in printable text, the program exits 2
// with that message, and no private copy is left in the temporary folder, not
// even when the module's own start-up code kills the process while it loads.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <ostream>
#include <span>
#include <string>

#include "host/host.h"
#include "host/module_check.h"
#include "tests/support/scratch_folder.h"
#ifdef VORLAT_PROGRAM_PATH
#include "tests/cli/run_program.h"
#endif

namespace {

namespace fs = std::filesystem;
using vorlat::Host;
using vorlat::LoadError;
using vorlat::test::ScratchFolder;

std::string readBytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeBytes(const fs::path& file, const std::string& bytes) { std::ofstream(file, std::ios::binary) << bytes; }

// Writes the case's module file into the folder and returns its path.
using ModuleMaker = std::function<fs::path(const fs::path& folder)>;

ModuleMaker bytes(const std::string& name, std::function<std::string()> content) {
    return [=](const fs::path& folder) {
        writeBytes(folder / name, content());
        return folder / name;
    };
}
ModuleMaker realModuleCutTo(std::size_t size) {
    return bytes("cut-" + std::to_string(size) + ".gau",
                 [size] { return readBytes(vorlat::defaultModulePath()).substr(0, size); });
}
ModuleMaker realModuleLessOneByte() {
    return bytes("less-one-byte.gau", [] {
        const std::string whole = readBytes(vorlat::defaultModulePath());
        return whole.substr(0, whole.size() - 1);
    });
}
ModuleMaker copyOf(const fs::path& source) {
    return [=](const fs::path& folder) {
        fs::copy_file(source, folder / source.filename());
        return folder / source.filename();
    };
}
ModuleMaker seed(const char* name) { return copyOf(fs::path(FUZZ_CORPUS_DIR) / "module_file" / name); }
ModuleMaker testModule(const char* name) { return copyOf(fs::path(TEST_MODULE_DIR) / (std::string(name) + ".gau")); }
ModuleMaker folder() {
    return [](const fs::path& parent) {
        fs::create_directory(parent / "folder.gau");
        return parent / "folder.gau";
    };
}

// The temporary folder of the process (TMPDIR) pointed at a fresh folder for the scope.
class TemporaryFolderScope {
public:
    explicit TemporaryFolderScope(const fs::path& folder) {
        if (const char* old = std::getenv("TMPDIR")) previous_ = old;
        fs::create_directories(folder);
        setenv("TMPDIR", folder.c_str(), 1);
    }
    ~TemporaryFolderScope() {
        if (previous_) setenv("TMPDIR", previous_->c_str(), 1);
        else unsetenv("TMPDIR");
    }
    TemporaryFolderScope(const TemporaryFolderScope&) = delete;
    TemporaryFolderScope& operator=(const TemporaryFolderScope&) = delete;

private:
    std::optional<std::string> previous_;
};

// The names in a folder, for failure messages.
std::string namesIn(const fs::path& folder) {
    std::string names;
    for (const auto& entry : fs::directory_iterator(folder)) names += entry.path().filename().string() + " ";
    return names;
}

bool onlyPrintableAscii(const std::string& text) {
    for (const char c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7E) return false;
    }
    return true;
}

struct HostileCase {
    const char* name;
    ModuleMaker make;
    const char* reason;  // a fragment of the message after the file's name
};

void PrintTo(const HostileCase& row, std::ostream* out) { *out << row.name; }

class HostileModule : public testing::TestWithParam<HostileCase> {
protected:
    ScratchFolder scratch_;
    fs::path temporary_ = scratch_ / "tmp";
    fs::path module_ = [this] {
        fs::create_directory(scratch_ / "modules");
        return GetParam().make(scratch_ / "modules");
    }();
};

TEST_P(HostileModule, IsRefusedWithItsNameAndReasonAndLeavesNoCopy) {
    const TemporaryFolderScope inTemporary(temporary_);
    try {
        Host host({.modulePath = module_.string(), .privateCopy = true, .resourceScript = {}});
        FAIL() << "loaded " << module_;
    } catch (const LoadError& error) {
        const std::string message = error.what();
        EXPECT_EQ(message.rfind(module_.string() + ": ", 0), 0u) << message;
        EXPECT_NE(message.find(GetParam().reason), std::string::npos) << message;
        EXPECT_TRUE(onlyPrintableAscii(message)) << message;
    }
    EXPECT_TRUE(fs::is_empty(temporary_)) << namesIn(temporary_);
}

#ifdef VORLAT_PROGRAM_PATH
TEST_P(HostileModule, ProgramExitsWithBadInput) {
    const TemporaryFolderScope inTemporary(temporary_);
    const vorlat::test::CurrentFolderScope inScratch(scratch_.path());
    const vorlat::test::Outcome outcome = vorlat::test::runProgram("inspect --module '" + module_.string() + "'");
    EXPECT_EQ(outcome.exitCode, 2) << outcome.err;
    EXPECT_NE(outcome.err.find(module_.string() + ": "), std::string::npos) << outcome.err;
    EXPECT_NE(outcome.err.find(GetParam().reason), std::string::npos) << outcome.err;
    EXPECT_TRUE(fs::is_empty(temporary_)) << namesIn(temporary_);
}
#endif

// clang-format off
INSTANTIATE_TEST_SUITE_P(Host, HostileModule, testing::Values(
    HostileCase{.name = "EmptyFile", .make = bytes("empty.gau", [] { return std::string(); }),
                .reason = "the file is empty"},
    HostileCase{.name = "CutToItsFirstHeader", .make = realModuleCutTo(64),
                .reason = "truncated: the program header table ends at byte"},
    HostileCase{.name = "CutInsideItsCode", .make = realModuleCutTo(8000),
                .reason = "but the file has only 8000 bytes"},
    HostileCase{.name = "CutBeforeItsSectionHeaders", .make = realModuleLessOneByte(),
                .reason = "truncated: the section header table ends at byte"},
    HostileCase{.name = "TextFile", .make = bytes("notes.gau", [] { return std::string("# not\ta module\n"); }),
                .reason = "not a loadable library: it begins \"# not\\ta module\\n\""},
    HostileCase{.name = "Folder", .make = folder(), .reason = "a folder, not a module file"},
    HostileCase{.name = "ThirtyTwoBitLibrary", .make = seed("tiny-i386.so"),
                .reason = "a 32-bit ELF library, but this host loads 64-bit"},
    HostileCase{.name = "WindowsLibrary", .make = seed("tiny-i386.dll"),
                .reason = "a Windows (PE) library, but this host loads"},
    HostileCase{.name = "LinkageIsAFunction", .make = testModule("raw_linkage_function"),
                .reason = "exports \"Linkage\" as a function, not a data record"},
    HostileCase{.name = "ImportTableWithoutEnd", .make = testModule("raw_unended_import_table"),
                .reason = "ImportTable has no end entry within 64 entries"},
    HostileCase{.name = "RecordsWithoutAGauge", .make = testModule("raw_records"),
                .reason = "Linkage gauge list is empty"},
    HostileCase{.name = "GaugeHeaderOutside", .make = testModule("hostile_header_outside"),
                .reason = "GaugeHeader (" },
    HostileCase{.name = "ChildListOutside", .make = testModule("hostile_children_outside"),
                .reason = "the child list ("},
    HostileCase{.name = "RoutineOutside", .make = testModule("hostile_routine_outside"),
                .reason = "GaugeHeader routine 2 of 7 at 0x3000 lies outside the module"},
    HostileCase{.name = "NameWithControlBytes", .make = testModule("hostile_name"),
                .reason = "gauge name is \"ZEK\\x1b[2J\\x07vorlat\", expected \"ZEK.vorlat\""}),
    [](const auto& row) { return row.param.name; });
// clang-format on

// The file check alone, for every format and class it knows: the PE reader,
// the 32-bit ELF layout and the SysV hash table are not reached by this host's
// own loads.
struct ImageCase {
    const char* name;
    const char* seed;       // in the module_file corpus
    std::size_t keptBytes;  // 0: the whole file
    const vorlat::ModuleTarget& target;
    const char* reason;  // empty: accepted
};

void PrintTo(const ImageCase& row, std::ostream* out) { *out << row.name; }

class ModuleImage : public testing::TestWithParam<ImageCase> {};

TEST_P(ModuleImage, IsAcceptedOrRefusedForItsReason) {
    const ImageCase& row = GetParam();
    std::string bytes = readBytes(fs::path(FUZZ_CORPUS_DIR) / "module_file" / row.seed);
    ASSERT_FALSE(bytes.empty()) << row.seed;
    if (row.keptBytes != 0) bytes.resize(row.keptBytes);
    const std::span<const std::uint8_t> image(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    try {
        vorlat::checkModuleImage(image, "M", row.target);
        EXPECT_STREQ(row.reason, "") << "accepted";
    } catch (const LoadError& error) {
        EXPECT_EQ(std::string(error.what()), std::string("M: ") + row.reason);
    }
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Host, ModuleImage, testing::Values(
    ImageCase{.name = "ElfWithGnuHash", .seed = "tiny-x86_64.so", .keptBytes = 0, .target = vorlat::ELF_X86_64,
              .reason = ""},
    ImageCase{.name = "ElfWithSysvHash", .seed = "tiny-sysv-x86_64.so", .keptBytes = 0,
              .target = vorlat::ELF_X86_64, .reason = ""},
    ImageCase{.name = "Elf32", .seed = "tiny-i386.so", .keptBytes = 0, .target = vorlat::ELF_I386, .reason = ""},
    ImageCase{.name = "Pe32", .seed = "tiny-i386.dll", .keptBytes = 0, .target = vorlat::PE_I386, .reason = ""},
    ImageCase{.name = "Pe64", .seed = "tiny-x86_64.dll", .keptBytes = 0, .target = vorlat::PE_X86_64,
              .reason = ""},
    ImageCase{.name = "RealModuleStripped", .seed = "gauge-x86_64.gau", .keptBytes = 0,
              .target = vorlat::ELF_X86_64, .reason = ""},
    ImageCase{.name = "Pe32ForA64BitHost", .seed = "tiny-i386.dll", .keptBytes = 0, .target = vorlat::PE_X86_64,
              .reason = "a Windows library for 32-bit x86, but this host loads 64-bit x86-64 Windows (PE) libraries"},
    ImageCase{.name = "Elf64ForA32BitHost", .seed = "gauge-x86_64.gau", .keptBytes = 0,
              .target = vorlat::ELF_I386, .reason = "a 64-bit ELF library, but this host loads 32-bit x86 ELF libraries"},
    ImageCase{.name = "PeCutInASection", .seed = "tiny-i386.dll", .keptBytes = 1024, .target = vorlat::PE_I386,
              .reason = "truncated: section 0 \".text\" ends at byte 1536, but the file has only 1024 bytes"},
    ImageCase{.name = "PeCutInItsHeader", .seed = "tiny-x86_64.dll", .keptBytes = 100, .target = vorlat::PE_X86_64,
              .reason = "truncated: the PE header ends at byte 152, but the file has only 100 bytes"},
    ImageCase{.name = "ElfCutInASegment", .seed = "truncated-gauge-x86_64.gau", .keptBytes = 0,
              .target = vorlat::ELF_X86_64,
              .reason = "truncated: loaded segment 1 ends at byte 17069, but the file has only 8000 bytes"}),
    [](const auto& row) { return row.param.name; });
// clang-format on

TEST(HostileModuleOutside, PointersAreNamedWithTheirAddress) {
    const ScratchFolder scratch;
    const fs::path module = testModule("hostile_header_outside")(scratch.path());
    try {
        Host host({.modulePath = module.string(), .privateCopy = false, .resourceScript = {}});
        FAIL() << "loaded " << module;
    } catch (const LoadError& error) {
        EXPECT_NE(std::string(error.what()).find(" bytes at 0x1000) lies outside the module"), std::string::npos)
            << error.what();
    }
}

// The copy's name is gone before the platform loader runs any of the module's code.
TEST(HostileModuleDeath, CrashWhileLoadingLeavesNoCopy) {
    const ScratchFolder scratch;
    const fs::path module = testModule("raw_crash_on_load")(scratch.path());
    const TemporaryFolderScope inTemporary(scratch / "tmp");
    EXPECT_DEATH(Host({.modulePath = module.string(), .privateCopy = true, .resourceScript = {}}), "");
    EXPECT_TRUE(fs::is_empty(scratch / "tmp")) << namesIn(scratch / "tmp");
#ifdef VORLAT_PROGRAM_PATH
    const vorlat::test::CurrentFolderScope inScratch(scratch.path());
    const int exitCode = vorlat::test::runProgram("inspect --module '" + module.string() + "'").exitCode;
    EXPECT_TRUE(exitCode == -1 || exitCode > 128) << "not killed: exit " << exitCode;
    EXPECT_TRUE(fs::is_empty(scratch / "tmp")) << namesIn(scratch / "tmp");
#endif
}

}  // namespace
