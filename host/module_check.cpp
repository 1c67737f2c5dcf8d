// The module file check: the format told by the first bytes, the format's own
// reader (module_check_elf.cpp, module_check_pe.cpp), then the two records the
// host needs before any module code runs, placed and ended inside the module.
#include "host/module_check.h"

#include <array>
#include <cstdio>
#include <fstream>
#include <limits>
#include <optional>

#include "common/printable.h"
#include "common/utf8_path.h"
#include "host/layout.h"
#include "host/load_error.h"
#include "host/module_check_detail.h"

namespace vorlat {

namespace module_check {

void refuseCutShort(const std::string& what, std::uint64_t end, std::uint64_t fileSize) {
    throw Refusal("truncated: " + what + " ends at byte " + std::to_string(end) + ", but the file has only " +
                  std::to_string(fileSize) + " bytes");
}

std::uint64_t add(std::uint64_t a, std::uint64_t b) {
    if (b > std::numeric_limits<std::uint64_t>::max() - a) throw Refusal("damaged: an offset in its headers overflows");
    return a + b;
}

std::uint64_t multiply(std::uint64_t a, std::uint64_t b) {
    if (a != 0 && b > std::numeric_limits<std::uint64_t>::max() / a) {
        throw Refusal("damaged: a size in its headers overflows");
    }
    return a * b;
}

void FileBytes::require(std::uint64_t offset, std::uint64_t length, const std::string& what) const {
    if (!holds(offset, length)) refuseCutShort(what, add(offset, length), size());
}

std::uint64_t FileBytes::field(std::uint64_t offset, unsigned width) const {
    require(offset, width, "a field of its headers");
    std::uint64_t value = 0;
    for (unsigned i = width; i-- > 0;) value = value << 8 | bytes_[static_cast<std::size_t>(offset + i)];
    return value;
}

std::string_view FileBytes::view(std::uint64_t offset, std::uint64_t length) const {
    if (offset >= size()) return {};
    const std::uint64_t available = std::min(length, size() - offset);
    return {reinterpret_cast<const char*>(bytes_.data()) + static_cast<std::size_t>(offset),
            static_cast<std::size_t>(available)};
}

const LoadedPart* partHolding(const std::vector<LoadedPart>& parts, std::uint64_t address, std::uint64_t length) {
    for (const LoadedPart& part : parts) {
        if (address >= part.address && address - part.address <= part.memorySize &&
            length <= part.memorySize - (address - part.address)) {
            return &part;
        }
    }
    return nullptr;
}

std::optional<std::uint64_t> fileOffsetOf(const std::vector<LoadedPart>& parts, std::uint64_t address,
                                          std::uint64_t length) {
    for (const LoadedPart& part : parts) {
        if (address >= part.address && address - part.address <= part.fileSize &&
            length <= part.fileSize - (address - part.address)) {
            return part.fileOffset + (address - part.address);
        }
    }
    return std::nullopt;
}

std::string foreign(const std::string& what, const ModuleTarget& target) {
    return what + ", but this host loads " + target.description + " libraries";
}

std::string machineName(BinaryFormat format, std::uint16_t machine) {
    struct Machine {
        BinaryFormat format;
        std::uint16_t number;
        const char* name;
    };
    static constexpr Machine KNOWN[] = {
        {BinaryFormat::Elf, 3, "32-bit x86"},     {BinaryFormat::Elf, 62, "x86-64"},
        {BinaryFormat::Elf, 40, "32-bit ARM"},    {BinaryFormat::Elf, 183, "64-bit ARM"},
        {BinaryFormat::Pe, 0x14C, "32-bit x86"},  {BinaryFormat::Pe, 0x8664, "x86-64"},
        {BinaryFormat::Pe, 0xAA64, "64-bit ARM"},
    };
    for (const Machine& known : KNOWN) {
        if (known.format == format && known.number == machine) return known.name;
    }
    char text[32];
    std::snprintf(text, sizeof text, "machine 0x%X", static_cast<unsigned>(machine));
    return text;
}

}  // namespace module_check

namespace {

using namespace module_check;

constexpr std::array<std::string_view, 2> WANTED = {"Linkage", "ImportTable"};
constexpr std::size_t LINKAGE = 0, IMPORT_TABLE = 1;

std::string hexAddress(std::uint64_t address) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(address));
    return text;
}

CheckedImage readImage(const FileBytes& file, const ModuleTarget& target) {
    if (file.size() == 0) throw Refusal("the file is empty, not a loadable library");
    const std::string_view start = file.view(0, 4);
    std::optional<BinaryFormat> format;
    if (start ==
        "\x7f"
        "ELF")
        format = BinaryFormat::Elf;
    else if (start.substr(0, 2) == "MZ") format = BinaryFormat::Pe;
    if (!format) {
        throw Refusal("not a loadable library: it begins " + printable(file.view(0, 16)) +
                      ", not with an ELF or a PE header");
    }
    if (*format != target.format) {
        throw Refusal(foreign(*format == BinaryFormat::Elf ? "an ELF library" : "a Windows (PE) library", target));
    }
    return *format == BinaryFormat::Elf ? checkElf(file, target, WANTED) : checkPe(file, target, WANTED);
}

// ImportTable's entries up to the one whose identifier is zero, all inside one
// loaded part; memory the file does not supply is zero, so it reads as the end.
void checkImportTableEnds(const FileBytes& file, const CheckedImage& image, std::uint64_t address,
                          const layout::Records& records) {
    const std::uint64_t entrySize = records.importEntry.size;
    for (std::uint64_t i = 0; i < MAX_IMPORT_ENTRIES; ++i) {
        const std::uint64_t entry = add(address, multiply(i, entrySize));
        if (partHolding(image.parts, entry, entrySize) == nullptr) {
            throw Refusal("ImportTable leaves the module's loaded segments at entry " + std::to_string(i) +
                          " without an end entry");
        }
        const auto id = fileOffsetOf(image.parts, add(entry, records.importEntry.id), 4);
        if (!id || file.u32(*id) == 0) return;
    }
    throw Refusal("ImportTable has no end entry within " + std::to_string(MAX_IMPORT_ENTRIES) + " entries");
}

void checkRecords(const FileBytes& file, const CheckedImage& image, const ModuleTarget& target) {
    for (std::size_t i = 0; i < WANTED.size(); ++i) {
        if (!image.exports[i]) throw Refusal("exports no record \"" + std::string(WANTED[i]) + "\"");
    }
    const layout::Records& records = target.pointerBits == 32 ? layout::NARROW : layout::WIDE;
    const std::uint64_t linkage = *image.exports[LINKAGE];
    if (partHolding(image.parts, linkage, records.linkage.size) == nullptr) {
        throw Refusal("the record \"Linkage\" (" + std::to_string(records.linkage.size) + " bytes at " +
                      hexAddress(linkage) + ") lies outside the module's loaded segments");
    }
    checkImportTableEnds(file, image, *image.exports[IMPORT_TABLE], records);
}

}  // namespace

const ModuleTarget& thisHostTarget() {
#if defined(_WIN32) && (defined(__x86_64__) || defined(_M_X64))
    return PE_X86_64;
#elif defined(_WIN32) && (defined(__i386__) || defined(_M_IX86))
    return PE_I386;
#elif defined(__x86_64__)
    return ELF_X86_64;
#elif defined(__i386__)
    return ELF_I386;
#elif defined(__aarch64__)
    return ELF_AARCH64;
#else
    // A platform the check knows no machine number for: the format and width only.
    static constexpr ModuleTarget other = {
#if defined(_WIN32)
        .format = BinaryFormat::Pe,
#else
        .format = BinaryFormat::Elf,
#endif
        .pointerBits = int(sizeof(void*) * 8),
        .machine = 0,
        .description = "this platform's"
    };
    return other;
#endif
}

void checkModuleImage(std::span<const std::uint8_t> bytes, const std::string& name, const ModuleTarget& target) {
    try {
        const FileBytes file(bytes);
        checkRecords(file, readImage(file, target), target);
    } catch (const Refusal& refusal) {
        throw LoadError(name + ": " + refusal.what());
    }
}

std::string tooLargeForAModule() {
    std::string text = "larger than ";  // built in steps: GCC 12 at -O3 warns falsely on "..." + std::string
    text.append(std::to_string(MAX_MODULE_BYTES >> 20)).append(" MiB, which no gauge module is");
    return text;
}

void checkModuleFile(const std::string& path, const std::string& name) {
    std::ifstream in(pathFromUtf8(path), std::ios::binary);
    if (!in) throw LoadError(name + ": cannot open the module file");
    std::vector<std::uint8_t> bytes;
    std::array<char, 1 << 16> chunk;
    while (in.read(chunk.data(), chunk.size()) || in.gcount() > 0) {
        bytes.insert(bytes.end(), chunk.data(), chunk.data() + in.gcount());
        if (bytes.size() > MAX_MODULE_BYTES) {
            throw LoadError(name + ": " + tooLargeForAModule());
        }
    }
    if (in.bad()) throw LoadError(name + ": cannot read the module file");
    checkModuleImage(bytes, name, thisHostTarget());
}

}  // namespace vorlat
