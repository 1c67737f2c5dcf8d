// The module file check for Windows libraries (PE): the DOS and PE headers, the
// optional header and the section table inside the file, every section's raw
// data inside the file, and the export directory searched by name.
#include <string>

#include "common/printable.h"
#include "host/module_check_detail.h"

namespace vorlat::module_check {

namespace {

constexpr std::uint64_t DOS_HEADER_SIZE = 64, PE_OFFSET_FIELD = 0x3C, SIGNATURE_SIZE = 4, COFF_HEADER_SIZE = 20;
constexpr std::uint64_t COFF_MACHINE = 0, COFF_SECTIONS = 2, COFF_OPTIONAL_SIZE = 16, COFF_CHARACTERISTICS = 18;
constexpr std::uint16_t LIBRARY_FLAG = 0x2000, MAGIC_32 = 0x10b, MAGIC_64 = 0x20b;
constexpr std::uint64_t OPTIONAL_HEADERS_SIZE = 60;
constexpr std::uint64_t DIRECTORY_COUNT_32 = 92, DIRECTORIES_32 = 96, DIRECTORY_COUNT_64 = 108, DIRECTORIES_64 = 112;
constexpr std::uint64_t SECTION_HEADER_SIZE = 40, SECTION_NAME_SIZE = 8, VIRTUAL_SIZE = 8, VIRTUAL_ADDRESS = 12,
                        RAW_SIZE = 16, RAW_POINTER = 20;
constexpr std::uint64_t EXPORT_DIRECTORY_SIZE = 40, FUNCTION_COUNT = 20, NAME_COUNT = 24, FUNCTION_TABLE = 28,
                        NAME_TABLE = 32, ORDINAL_TABLE = 36;

struct PeHeaders {
    std::uint64_t sectionTable = 0, sectionCount = 0;
    std::uint64_t exportAddress = 0, exportSize = 0;  // 0: no export directory
};

// The optional header: class, headers size and the export directory's entry.
void readOptionalHeader(const FileBytes& file, const ModuleTarget& target, std::uint64_t optional,
                        std::uint64_t optionalSize, PeHeaders& headers) {
    file.require(optional, optionalSize, "the optional header");
    if (optionalSize < 2) throw Refusal("damaged: no optional header");
    const std::uint16_t magic = file.u16(optional);
    if (magic != MAGIC_32 && magic != MAGIC_64) throw Refusal("damaged: unknown optional header kind");
    const bool wide = magic == MAGIC_64;
    if ((wide ? 64 : 32) != target.pointerBits) {
        throw Refusal(foreign(wide ? "a 64-bit Windows library" : "a 32-bit Windows library", target));
    }
    const std::uint64_t directories = wide ? DIRECTORIES_64 : DIRECTORIES_32;
    if (optionalSize < directories) throw Refusal("damaged: the optional header is too short");
    file.require(0, file.u32(optional + OPTIONAL_HEADERS_SIZE), "the headers");
    if (file.u32(optional + (wide ? DIRECTORY_COUNT_64 : DIRECTORY_COUNT_32)) == 0) return;
    if (optionalSize < directories + 8) throw Refusal("damaged: the optional header is too short");
    headers.exportAddress = file.u32(optional + directories);
    headers.exportSize = file.u32(optional + directories + 4);
}

PeHeaders readHeaders(const FileBytes& file, const ModuleTarget& target) {
    file.require(0, DOS_HEADER_SIZE, "the DOS header");
    const std::uint64_t signature = file.u32(PE_OFFSET_FIELD);
    file.require(signature, SIGNATURE_SIZE + COFF_HEADER_SIZE, "the PE header");
    if (file.view(signature, SIGNATURE_SIZE) != std::string_view("PE\0\0", SIGNATURE_SIZE)) {
        throw Refusal("not a loadable library: an MZ file without a PE header");
    }
    const std::uint64_t coff = signature + SIGNATURE_SIZE;
    if (const auto machine = file.u16(coff + COFF_MACHINE); target.machine != 0 && machine != target.machine) {
        throw Refusal(foreign("a Windows library for " + machineName(BinaryFormat::Pe, machine), target));
    }
    if ((file.u16(coff + COFF_CHARACTERISTICS) & LIBRARY_FLAG) == 0) {
        throw Refusal("a Windows program, not a library (DLL)");
    }
    const std::uint64_t optional = coff + COFF_HEADER_SIZE, optionalSize = file.u16(coff + COFF_OPTIONAL_SIZE);
    PeHeaders headers;
    readOptionalHeader(file, target, optional, optionalSize, headers);
    headers.sectionTable = optional + optionalSize;
    headers.sectionCount = file.u16(coff + COFF_SECTIONS);
    file.require(headers.sectionTable, headers.sectionCount * SECTION_HEADER_SIZE, "the section table");
    return headers;
}

// Every section's raw data inside the file; the loader maps at most VirtualSize of it.
std::vector<LoadedPart> readSections(const FileBytes& file, const PeHeaders& headers) {
    std::vector<LoadedPart> parts;
    for (std::uint64_t i = 0; i < headers.sectionCount; ++i) {
        const std::uint64_t section = headers.sectionTable + i * SECTION_HEADER_SIZE;
        const std::uint64_t virtualSize = file.u32(section + VIRTUAL_SIZE), rawSize = file.u32(section + RAW_SIZE);
        const std::uint64_t rawPointer = file.u32(section + RAW_POINTER);
        if (rawSize > 0) {
            const std::string_view name = file.view(section, SECTION_NAME_SIZE);
            file.require(rawPointer, rawSize,
                         "section " + std::to_string(i) + " " + printable(name.substr(0, name.find('\0'))));
        }
        const std::uint64_t loaded = virtualSize != 0 ? std::min(rawSize, virtualSize) : rawSize;
        parts.push_back({.address = file.u32(section + VIRTUAL_ADDRESS),
                         .fileOffset = rawPointer,
                         .fileSize = rawSize > 0 ? loaded : 0,
                         .memorySize = virtualSize != 0 ? virtualSize : rawSize});
    }
    return parts;
}

// Searches the export directory's names; a forwarded export is refused.
class ExportLookup {
public:
    ExportLookup(const FileBytes& file, const std::vector<LoadedPart>& parts, const PeHeaders& headers)
        : file_(file), parts_(parts), headers_(headers) {}

    std::optional<std::uint64_t> find(std::string_view name) const {
        if (headers_.exportAddress == 0) return std::nullopt;
        const std::uint64_t directory = mapped(headers_.exportAddress, EXPORT_DIRECTORY_SIZE);
        const std::uint32_t names = file_.u32(directory + NAME_COUNT);
        for (std::uint64_t i = 0; i < names; ++i) {
            const std::uint32_t nameAddress = u32At(add(file_.u32(directory + NAME_TABLE), i * 4));
            if (file_.view(mapped(nameAddress, 1), name.size() + 1) != std::string(name) + '\0') continue;
            const std::uint16_t ordinal = file_.u16(mapped(add(file_.u32(directory + ORDINAL_TABLE), i * 2), 2));
            if (ordinal >= file_.u32(directory + FUNCTION_COUNT)) {
                throw Refusal("damaged: the export \"" + std::string(name) + "\" has no address");
            }
            const std::uint32_t address = u32At(add(file_.u32(directory + FUNCTION_TABLE), ordinal * 4u));
            if (address >= headers_.exportAddress && address - headers_.exportAddress < headers_.exportSize) {
                throw Refusal("forwards its export \"" + std::string(name) + "\" to another library");
            }
            return address;
        }
        return std::nullopt;
    }

private:
    std::uint64_t mapped(std::uint64_t address, std::uint64_t length) const {
        const auto offset = fileOffsetOf(parts_, address, length);
        if (!offset) throw Refusal("damaged: its export directory reaches outside its sections");
        return *offset;
    }
    std::uint32_t u32At(std::uint64_t address) const { return file_.u32(mapped(address, 4)); }

    const FileBytes& file_;
    const std::vector<LoadedPart>& parts_;
    const PeHeaders& headers_;
};

}  // namespace

CheckedImage checkPe(const FileBytes& file, const ModuleTarget& target, WantedNames wanted) {
    const PeHeaders headers = readHeaders(file, target);
    CheckedImage image{.parts = readSections(file, headers), .exports = {}};
    const ExportLookup lookup(file, image.parts, headers);
    for (const std::string_view name : wanted) image.exports.push_back(lookup.find(name));
    return image;
}

}  // namespace vorlat::module_check
