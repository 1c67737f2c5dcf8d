// The module file checked as bytes before the platform loader sees it: the
// headers against the file's size, the class and machine against this host's,
// and the two exported records inside a loaded segment. A truncated, empty,
// foreign or damaged file is refused with a LoadError instead of being mapped,
// where touching a page past the end of the file would kill the process.
// No module code runs here; the fuzz target tests/fuzz/module_file_fuzz.cpp
// feeds this function mutated modules.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "host/load_error.h"

namespace vorlat {

enum class BinaryFormat { Elf, Pe };

// What a host loads: the file format, the pointer width and the machine number
// as the format writes it (ELF e_machine, PE Machine).
struct ModuleTarget {
    BinaryFormat format;
    int pointerBits;        // 32 or 64
    std::uint16_t machine;  // 0: any machine (a platform the check does not know)
    const char* description;
};

// clang-format off
inline constexpr ModuleTarget ELF_X86_64  = {.format = BinaryFormat::Elf, .pointerBits = 64, .machine = 62,
                                             .description = "64-bit x86-64 ELF"};
inline constexpr ModuleTarget ELF_I386    = {.format = BinaryFormat::Elf, .pointerBits = 32, .machine = 3,
                                             .description = "32-bit x86 ELF"};
inline constexpr ModuleTarget ELF_AARCH64 = {.format = BinaryFormat::Elf, .pointerBits = 64, .machine = 183,
                                             .description = "64-bit ARM ELF"};
inline constexpr ModuleTarget PE_I386     = {.format = BinaryFormat::Pe, .pointerBits = 32, .machine = 0x14C,
                                             .description = "32-bit x86 Windows (PE)"};
inline constexpr ModuleTarget PE_X86_64   = {.format = BinaryFormat::Pe, .pointerBits = 64, .machine = 0x8664,
                                             .description = "64-bit x86-64 Windows (PE)"};
// clang-format on

// The target of the running host.
const ModuleTarget& thisHostTarget();

// Walk limits shared by the file check and the checks of the loaded records.
inline constexpr std::size_t MAX_IMPORT_ENTRIES = 64;
// Larger than any gauge module with its debugging information.
inline constexpr std::uint64_t MAX_MODULE_BYTES = 256ull << 20;

// "larger than 256 MiB, which no gauge module is".
std::string tooLargeForAModule();

// Throws LoadError "NAME: what is wrong" unless `bytes` hold a library `target`
// can load that exports the records "Linkage" and "ImportTable" as data inside
// its loaded segments, ImportTable ending within them.
void checkModuleImage(std::span<const std::uint8_t> bytes, const std::string& name, const ModuleTarget& target);

// Reads the file at `path` (at most MAX_MODULE_BYTES) and checks it for this
// host; errors name the module as `name`.
void checkModuleFile(const std::string& path, const std::string& name);

}  // namespace vorlat
