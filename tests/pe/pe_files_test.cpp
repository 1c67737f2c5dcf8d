// Checks of the built Windows libraries as a host would find them on disk:
// machine, DLL flags, exports, imports, bitmap and version resources.
// The Windows builds are separate CMake builds; their outputs reach this
// native test through VORLAT_WIN32_DLL / VORLAT_WIN64_DLL (environment first,
// then the values configured into this build). Absent files skip, loudly.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "tests/pe/pe_image.h"

namespace vorlat::pe {
namespace {

struct Target {
    const char* name;
    const char* dllVariable;
    const char* configuredDll;
    const char* objdump;
    const char* fileFormat;
    const char* magic;
    std::uint16_t machine;
    std::uint32_t dllCharacteristics;
};

constexpr std::uint32_t IMAGE_FILE_EXECUTABLE_IMAGE = 0x0002;
constexpr std::uint32_t IMAGE_FILE_32BIT_MACHINE = 0x0100;
constexpr std::uint32_t IMAGE_FILE_DLL = 0x2000;
// ASLR and no-execute data, plus 64-bit address space layout on x86-64: what the linker gives every DLL.
constexpr std::uint32_t DYNAMIC_BASE_NX_COMPAT = 0x0140;
constexpr std::uint32_t HIGH_ENTROPY_VA = 0x0020;

const Target TARGETS[] = {
    {"win32", "VORLAT_WIN32_DLL", VORLAT_WIN32_DLL_DEFAULT, VORLAT_I686_OBJDUMP, "pei-i386", "PE32", 0x014c,
     DYNAMIC_BASE_NX_COMPAT},
    {"win64", "VORLAT_WIN64_DLL", VORLAT_WIN64_DLL_DEFAULT, VORLAT_X86_64_OBJDUMP, "pei-x86-64", "PE32+", 0x8664,
     DYNAMIC_BASE_NX_COMPAT | HIGH_ENTROPY_VA},
};

void PrintTo(const Target& target, std::ostream* out) { *out << target.name; }

std::string dllPath(const Target& target) {
    const char* fromEnvironment = std::getenv(target.dllVariable);
    return fromEnvironment != nullptr && *fromEnvironment != '\0' ? fromEnvironment : target.configuredDll;
}

std::string upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::toupper(c)); });
    return text;
}

class BuiltLibrary : public testing::TestWithParam<Target> {
protected:
    void SetUp() override {
        path_ = dllPath(GetParam());
        if (path_.empty() || !std::filesystem::exists(path_)) {
            GTEST_SKIP() << GetParam().name << " library not built: " << (path_.empty() ? "(no path)" : path_)
                         << " is missing; build the " << GetParam().name << " preset or set " << GetParam().dllVariable;
        }
        if (std::string(GetParam().objdump).empty()) {
            GTEST_SKIP() << "no MinGW objdump for " << GetParam().name << " (package binutils-mingw-w64)";
        }
        image_ = readWithObjdump(GetParam().objdump, path_);
        file_ = readFile(path_);
    }

    std::string path_;
    PeImage image_;
    std::vector<std::uint8_t> file_;
};

TEST_P(BuiltLibrary, IsADllForItsMachine) {
    EXPECT_EQ(image_.fileFormat, GetParam().fileFormat);
    EXPECT_EQ(image_.magic, GetParam().magic);
    EXPECT_EQ(coffMachine(file_), GetParam().machine);
    EXPECT_EQ(image_.characteristics & IMAGE_FILE_DLL, IMAGE_FILE_DLL);
    EXPECT_EQ(image_.characteristics & IMAGE_FILE_EXECUTABLE_IMAGE, IMAGE_FILE_EXECUTABLE_IMAGE);
    EXPECT_EQ((image_.characteristics & IMAGE_FILE_32BIT_MACHINE) != 0, GetParam().machine == 0x014c);
    EXPECT_EQ(image_.dllCharacteristics, GetParam().dllCharacteristics);
    EXPECT_EQ(std::filesystem::path(path_).filename().string(), "ZEK.vorlat.gau");
    // The loader calls the entry point; it must lie in code.
    const Section* entry = sectionAt(image_, image_.entryPoint);
    ASSERT_NE(entry, nullptr);
    EXPECT_TRUE(entry->has("CODE")) << entry->name;
}

TEST_P(BuiltLibrary, ExportsExactlyTheTwoWritableRecords) {
    EXPECT_EQ(image_.exportedLibraryName, "ZEK.vorlat.gau");
    EXPECT_EQ(image_.exportAddressCount, 2u) << "no export by ordinal only";
    EXPECT_EQ(image_.exports, (std::vector<std::string>{"ImportTable", "Linkage"}));
    // The host writes into ImportTable and the records it reaches: writable data, not code.
    for (const auto& [name, rva] : image_.exportRvas) {
        const Section* section = sectionAt(image_, rva);
        ASSERT_NE(section, nullptr) << name;
        EXPECT_FALSE(section->has("READONLY")) << name << " lies in " << section->name;
        EXPECT_FALSE(section->has("CODE")) << name << " lies in " << section->name;
    }
}

TEST_P(BuiltLibrary, ImportsOnlySystemLibraries) {
    const std::set<std::string> allowed = {"KERNEL32.DLL", "USER32.DLL", "MSVCRT.DLL"};
    std::set<std::string> seen;
    for (const auto& [dll, functions] : image_.imports) {
        EXPECT_TRUE(allowed.contains(upper(dll))) << "imports " << dll;
        seen.insert(upper(dll));
    }
    EXPECT_EQ(seen, allowed);
    // Texts are written by the real wsprintfA of USER32.
    const auto user32 = std::find_if(image_.imports.begin(), image_.imports.end(),
                                     [](const auto& entry) { return upper(entry.first) == "USER32.DLL"; });
    ASSERT_NE(user32, image_.imports.end());
    EXPECT_NE(std::find(user32->second.begin(), user32->second.end(), "wsprintfA"), user32->second.end());
    // The module starts no thread; a runtime that could (a threads library linked in) has no place in it.
    for (const auto& [dll, functions] : image_.imports) {
        for (const char* threadStart : {"CreateThread", "_beginthread", "_beginthreadex"}) {
            EXPECT_EQ(std::find(functions.begin(), functions.end(), threadStart), functions.end())
                << dll << " " << threadStart;
        }
    }
}

struct ExpectedBitmap {
    std::uint32_t id;
    int width, height;
};
constexpr ExpectedBitmap BITMAPS[] = {
    {4096, 436, 85},  // background
    {8192, 10, 12},   // record icon, recording
    {8195, 10, 12},   // record icon, idle
    {8448, 10, 12},   // pause icon, writing
    {8451, 10, 12},   // pause icon, paused
    {8704, 9, 9},     // stall disc
};
constexpr std::uint32_t RT_BITMAP = 2;
constexpr std::uint32_t RT_VERSION = 16;

TEST_P(BuiltLibrary, CarriesTheSixBitmapsAndOneVersionResource) {
    std::vector<std::uint32_t> bitmapIds, versionIds;
    for (const ResourceLeaf& leaf : image_.resources) {
        if (leaf.type == RT_BITMAP) bitmapIds.push_back(leaf.id);
        if (leaf.type == RT_VERSION) versionIds.push_back(leaf.id);
        EXPECT_TRUE(leaf.type == RT_BITMAP || leaf.type == RT_VERSION) << "resource type " << leaf.type;
    }
    EXPECT_EQ(bitmapIds, (std::vector<std::uint32_t>{4096, 8192, 8195, 8448, 8451, 8704}));
    EXPECT_EQ(versionIds, std::vector<std::uint32_t>{1});

    for (const ExpectedBitmap& expected : BITMAPS) {
        SCOPED_TRACE("bitmap " + std::to_string(expected.id));
        const auto leaf = std::find_if(image_.resources.begin(), image_.resources.end(), [&](const ResourceLeaf& r) {
            return r.type == RT_BITMAP && r.id == expected.id;
        });
        ASSERT_NE(leaf, image_.resources.end());
        const DibHeader dib = readDibHeader(bytesAt(image_, file_, leaf->rva, leaf->size));
        EXPECT_EQ(dib.width, expected.width);
        EXPECT_EQ(std::abs(dib.height), expected.height);
        EXPECT_EQ(dib.planes, 1);
        EXPECT_EQ(dib.bitsPerPixel, 8);
        EXPECT_EQ(dib.compression, 0u) << "uncompressed";
        // Header, palette and pixel rows (padded to 4 bytes) all inside the resource.
        const std::size_t paletteBytes = 4 * std::size_t(dib.coloursUsed == 0 ? 256 : dib.coloursUsed);
        const std::size_t rowBytes = (std::size_t(expected.width) + 3) / 4 * 4;
        EXPECT_GE(leaf->size, 40 + paletteBytes + rowBytes * std::size_t(expected.height));
    }
}

TEST_P(BuiltLibrary, VersionResourceSaysOnePointZero) {
    const auto leaf = std::find_if(image_.resources.begin(), image_.resources.end(),
                                   [](const ResourceLeaf& r) { return r.type == RT_VERSION; });
    ASSERT_NE(leaf, image_.resources.end());
    const VersionInfo info = readVersionInfo(bytesAt(image_, file_, leaf->rva, leaf->size));
    EXPECT_EQ(info.signature, 0xFEEF04BDu);
    EXPECT_EQ(info.fileVersionMs, 0x00010000u);  // 1.0
    EXPECT_EQ(info.fileVersionLs, 0x00000000u);  // .0.0
    EXPECT_EQ(info.productVersionMs, 0x00010000u);
    EXPECT_EQ(info.productVersionLs, 0x00000000u);
    EXPECT_EQ(info.fileOs, 0x10004u);
    EXPECT_EQ(info.fileType, 1u);
    ASSERT_EQ(info.strings.size(), 1u);
    EXPECT_EQ(upper(info.strings.begin()->first), "040904B0");
    const auto& strings = info.strings.begin()->second;
    EXPECT_EQ(strings.count("FileVersion") ? strings.at("FileVersion") : "(none)", "1.0.0");
    EXPECT_EQ(strings.count("ProductVersion") ? strings.at("ProductVersion") : "(none)", "1.0.0");
    EXPECT_EQ(info.translations, std::vector<std::uint32_t>{0x04B00409u});
}

INSTANTIATE_TEST_SUITE_P(Windows, BuiltLibrary, testing::ValuesIn(TARGETS),
                         [](const testing::TestParamInfo<Target>& param) { return std::string(param.param.name); });

// The 32-bit product computes with SSE2, not x87: every compile of the module
// in the win32 build carries the flags (read from its compile_commands.json).
TEST(Win32Build, CompilesTheModuleWithSse2Arithmetic) {
    const std::filesystem::path dll = dllPath(TARGETS[0]);
    const std::filesystem::path commands = dll.parent_path() / "compile_commands.json";
    if (!std::filesystem::exists(commands)) GTEST_SKIP() << commands << " is missing: win32 preset not configured";
    std::ifstream in(commands);
    std::stringstream text;
    text << in.rdbuf();
    // One "command" line per translation unit; pick the C and C++ units of the gauge (not its resources).
    int gaugeUnits = 0;
    std::istringstream lines(text.str());
    for (std::string line; std::getline(lines, line);) {
        const bool compiled = line.find(".cpp.obj ") != std::string::npos || line.find(".c.obj ") != std::string::npos;
        if (line.find("\"command\"") == std::string::npos || line.find("CMakeFiles/gauge.dir") == std::string::npos ||
            !compiled) {
            continue;
        }
        ++gaugeUnits;
        EXPECT_NE(line.find(" -msse2"), std::string::npos) << line;
        EXPECT_NE(line.find(" -mfpmath=sse"), std::string::npos) << line;
    }
    EXPECT_GT(gaugeUnits, 0) << "no compile of the gauge found in " << commands;
}

}  // namespace
}  // namespace vorlat::pe
