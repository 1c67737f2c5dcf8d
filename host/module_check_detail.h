// Private to the module file check (module_check*.cpp): bounds-checked reads of
// little-endian fields, overflow-checked offsets, and the parts of a file the
// loader maps. Every read of the file goes through FileBytes, so a damaged
// header can make a check refuse but never read outside the bytes.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "host/module_check.h"

namespace vorlat::module_check {

// Why a file is refused; the caller puts the module's name in front.
struct Refusal : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// "truncated: WHAT ends at byte END, but the file has only SIZE bytes".
[[noreturn]] void refuseCutShort(const std::string& what, std::uint64_t end, std::uint64_t fileSize);

// "WHAT, but this host loads TARGET libraries".
std::string foreign(const std::string& what, const ModuleTarget& target);
// "x86-64" for a machine the check knows, else "machine 0x3E".
std::string machineName(BinaryFormat format, std::uint16_t machine);

// a + b and a * b, refused as damage when they overflow 64 bits.
std::uint64_t add(std::uint64_t a, std::uint64_t b);
std::uint64_t multiply(std::uint64_t a, std::uint64_t b);

class FileBytes {
public:
    explicit FileBytes(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    std::uint64_t size() const { return bytes_.size(); }
    bool holds(std::uint64_t offset, std::uint64_t length) const {
        return offset <= size() && length <= size() - offset;
    }
    // Refuses as truncated, naming `what`, unless `length` bytes from `offset` are in the file.
    void require(std::uint64_t offset, std::uint64_t length, const std::string& what) const;

    // Little-endian unsigned fields; a field past the end refuses the file as truncated.
    std::uint64_t field(std::uint64_t offset, unsigned width) const;
    std::uint16_t u16(std::uint64_t offset) const { return static_cast<std::uint16_t>(field(offset, 2)); }
    std::uint32_t u32(std::uint64_t offset) const { return static_cast<std::uint32_t>(field(offset, 4)); }
    std::uint64_t word(std::uint64_t offset, bool wide) const { return field(offset, wide ? 8 : 4); }

    // `length` bytes from `offset`, or fewer where the file ends.
    std::string_view view(std::uint64_t offset, std::uint64_t length) const;

private:
    std::span<const std::uint8_t> bytes_;
};

// A part of the file the loader maps: `fileSize` bytes from `fileOffset` land at
// `address` (relative to where the module is loaded), zero-filled up to `memorySize`.
struct LoadedPart {
    std::uint64_t address, fileOffset, fileSize, memorySize;
};

// The part whose memory holds `length` bytes at `address`, or nullptr.
const LoadedPart* partHolding(const std::vector<LoadedPart>& parts, std::uint64_t address, std::uint64_t length);

// The file offset of `length` bytes at `address` that the file itself supplies, or nullopt.
std::optional<std::uint64_t> fileOffsetOf(const std::vector<LoadedPart>& parts, std::uint64_t address,
                                          std::uint64_t length);

// What a format's reader found: the loaded parts and the address of each wanted
// export (nullopt: not exported). A reader refuses an export it finds unusable.
struct CheckedImage {
    std::vector<LoadedPart> parts;
    std::vector<std::optional<std::uint64_t>> exports;
};

using WantedNames = std::span<const std::string_view>;
CheckedImage checkElf(const FileBytes& file, const ModuleTarget& target, WantedNames wanted);
CheckedImage checkPe(const FileBytes& file, const ModuleTarget& target, WantedNames wanted);

}  // namespace vorlat::module_check
