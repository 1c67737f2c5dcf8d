// The module file check for ELF shared libraries: identification, program
// headers and every loaded segment inside the file, section headers and their
// data inside the file, and the dynamic symbol table looked up through its hash
// table the way the dynamic linker does.
#include <algorithm>
#include <string>

#include "host/module_check_detail.h"

namespace vorlat::module_check {

namespace {

// Field offsets of the headers the check reads, per class.
struct ElfFields {
    bool wide;
    std::uint64_t headerSize, phoff, shoff, phentsize, phnum, shentsize, shnum;
    std::uint64_t programHeaderSize, pType, pOffset, pVaddr, pFilesz, pMemsz;
    std::uint64_t sectionHeaderSize, shType, shOffset, shSize;
    std::uint64_t dynamicEntrySize;
    std::uint64_t symbolSize, stName, stInfo, stOther, stShndx, stValue;
};

// clang-format off
constexpr ElfFields ELF32 = {
    .wide = false, .headerSize = 52, .phoff = 28, .shoff = 32, .phentsize = 42, .phnum = 44, .shentsize = 46,
    .shnum = 48,
    .programHeaderSize = 32, .pType = 0, .pOffset = 4, .pVaddr = 8, .pFilesz = 16, .pMemsz = 20,
    .sectionHeaderSize = 40, .shType = 4, .shOffset = 16, .shSize = 20,
    .dynamicEntrySize = 8,
    .symbolSize = 16, .stName = 0, .stInfo = 12, .stOther = 13, .stShndx = 14, .stValue = 4,
};
constexpr ElfFields ELF64 = {
    .wide = true, .headerSize = 64, .phoff = 32, .shoff = 40, .phentsize = 54, .phnum = 56, .shentsize = 58,
    .shnum = 60,
    .programHeaderSize = 56, .pType = 0, .pOffset = 8, .pVaddr = 16, .pFilesz = 32, .pMemsz = 40,
    .sectionHeaderSize = 64, .shType = 4, .shOffset = 24, .shSize = 32,
    .dynamicEntrySize = 16,
    .symbolSize = 24, .stName = 0, .stInfo = 4, .stOther = 5, .stShndx = 6, .stValue = 8,
};
// clang-format on

constexpr std::uint64_t IDENT_CLASS = 4, IDENT_DATA = 5, IDENT_VERSION = 6, TYPE = 16, MACHINE = 18;
constexpr std::uint8_t CLASS_32 = 1, CLASS_64 = 2, LITTLE_ENDIAN_DATA = 1;
constexpr std::uint16_t SHARED_OBJECT = 3;
constexpr std::uint32_t LOAD_SEGMENT = 1, DYNAMIC_SEGMENT = 2, NO_BITS_SECTION = 8;
constexpr std::uint64_t TAG_END = 0, TAG_HASH = 4, TAG_STRTAB = 5, TAG_SYMTAB = 6, TAG_STRSZ = 10, TAG_SYMENT = 11,
                        TAG_GNU_HASH = 0x6ffffef5;
constexpr unsigned TYPE_FUNCTION = 2, TYPE_THREAD_LOCAL = 6, TYPE_INDIRECT_FUNCTION = 10;
constexpr unsigned BIND_LOCAL = 0, VISIBILITY_INTERNAL = 1, VISIBILITY_HIDDEN = 2;

// Class, byte order, type and machine; the field table of the file's class.
const ElfFields& checkIdentification(const FileBytes& file, const ModuleTarget& target) {
    file.require(0, IDENT_VERSION + 1, "the ELF identification");
    const auto elfClass = static_cast<std::uint8_t>(file.field(IDENT_CLASS, 1));
    if (elfClass != CLASS_32 && elfClass != CLASS_64) {
        throw Refusal("damaged: unknown ELF class " + std::to_string(elfClass));
    }
    const int bits = elfClass == CLASS_32 ? 32 : 64;
    if (bits != target.pointerBits) throw Refusal(foreign("a " + std::to_string(bits) + "-bit ELF library", target));
    if (file.field(IDENT_DATA, 1) != LITTLE_ENDIAN_DATA) throw Refusal(foreign("a big-endian ELF library", target));
    const ElfFields& f = bits == 32 ? ELF32 : ELF64;
    file.require(0, f.headerSize, "the ELF header");
    if (const auto type = file.u16(TYPE); type != SHARED_OBJECT) {
        throw Refusal("an ELF file of type " + std::to_string(type) + ", not a shared library");
    }
    if (const auto machine = file.u16(MACHINE); target.machine != 0 && machine != target.machine) {
        throw Refusal(foreign("an ELF library for " + machineName(BinaryFormat::Elf, machine), target));
    }
    return f;
}

struct Segments {
    std::vector<LoadedPart> parts;
    std::optional<LoadedPart> dynamic;
};

// Every loaded segment's file range inside the file.
Segments readSegments(const FileBytes& file, const ElfFields& f) {
    const std::uint64_t tableOffset = file.word(f.phoff, f.wide);
    const std::uint64_t count = file.u16(f.phnum);
    if (file.u16(f.phentsize) != f.programHeaderSize) throw Refusal("damaged: program headers of an unknown size");
    file.require(tableOffset, multiply(count, f.programHeaderSize), "the program header table");
    Segments segments;
    for (std::uint64_t i = 0; i < count; ++i) {
        const std::uint64_t header = tableOffset + i * f.programHeaderSize;
        const std::uint32_t type = file.u32(header + f.pType);
        if (type != LOAD_SEGMENT && type != DYNAMIC_SEGMENT) continue;
        const LoadedPart part = {.address = file.word(header + f.pVaddr, f.wide),
                                 .fileOffset = file.word(header + f.pOffset, f.wide),
                                 .fileSize = file.word(header + f.pFilesz, f.wide),
                                 .memorySize = file.word(header + f.pMemsz, f.wide)};
        const std::string what = (type == LOAD_SEGMENT ? "loaded segment " : "dynamic segment ") + std::to_string(i);
        if (part.fileSize > part.memorySize) throw Refusal("damaged: " + what + " holds more file than memory");
        file.require(part.fileOffset, part.fileSize, what);
        add(part.address, part.memorySize);  // refused when the segment's end overflows
        if (type == LOAD_SEGMENT) segments.parts.push_back(part);
        else segments.dynamic = part;
    }
    if (segments.parts.empty()) throw Refusal("damaged: no loaded segment");
    if (!segments.dynamic) throw Refusal("not a shared library: no dynamic segment");
    return segments;
}

// The section header table and every section's data inside the file.
void checkSections(const FileBytes& file, const ElfFields& f) {
    const std::uint64_t tableOffset = file.word(f.shoff, f.wide);
    if (tableOffset == 0) return;  // a stripped file may have none
    // Numbering past 0xFFFF keeps the count in the first header: check that one at least.
    const std::uint64_t count = std::max<std::uint64_t>(file.u16(f.shnum), 1);
    if (file.u16(f.shentsize) != f.sectionHeaderSize) throw Refusal("damaged: section headers of an unknown size");
    file.require(tableOffset, multiply(count, f.sectionHeaderSize), "the section header table");
    for (std::uint64_t i = 0; i < count; ++i) {
        const std::uint64_t header = tableOffset + i * f.sectionHeaderSize;
        const std::uint32_t type = file.u32(header + f.shType);
        if (type == 0 || type == NO_BITS_SECTION) continue;
        file.require(file.word(header + f.shOffset, f.wide), file.word(header + f.shSize, f.wide),
                     "section " + std::to_string(i));
    }
}

struct DynamicTables {
    std::uint64_t symbols = 0, strings = 0, stringsSize = 0, symbolSize = 0, gnuHash = 0, sysvHash = 0;
};

DynamicTables readDynamic(const FileBytes& file, const ElfFields& f, const LoadedPart& dynamic) {
    DynamicTables tables;
    const std::uint64_t wordSize = f.wide ? 8 : 4;
    for (std::uint64_t i = 0; i < dynamic.fileSize / f.dynamicEntrySize; ++i) {
        const std::uint64_t entry = dynamic.fileOffset + i * f.dynamicEntrySize;
        const std::uint64_t tag = file.word(entry, f.wide), value = file.word(entry + wordSize, f.wide);
        if (tag == TAG_END) break;
        if (tag == TAG_SYMTAB) tables.symbols = value;
        if (tag == TAG_STRTAB) tables.strings = value;
        if (tag == TAG_STRSZ) tables.stringsSize = value;
        if (tag == TAG_SYMENT) tables.symbolSize = value;
        if (tag == TAG_GNU_HASH) tables.gnuHash = value;
        if (tag == TAG_HASH) tables.sysvHash = value;
    }
    if (tables.symbols == 0 || tables.strings == 0) throw Refusal("exports nothing: no dynamic symbol table");
    if (tables.symbolSize != 0 && tables.symbolSize != f.symbolSize) {
        throw Refusal("damaged: dynamic symbols of an unknown size");
    }
    if (tables.gnuHash == 0 && tables.sysvHash == 0) throw Refusal("damaged: no symbol hash table");
    return tables;
}

std::uint32_t gnuHash(std::string_view name) {
    std::uint32_t h = 5381;
    for (const char c : name) h = h * 33 + static_cast<unsigned char>(c);
    return h;
}

std::uint32_t sysvHash(std::string_view name) {
    std::uint32_t h = 0;
    for (const char c : name) {
        h = (h << 4) + static_cast<unsigned char>(c);
        const std::uint32_t high = h & 0xf0000000u;
        if (high != 0) h ^= high >> 24;
        h &= ~high;
    }
    return h;
}

// Finds exported symbols by name through the module's own hash table.
class SymbolLookup {
public:
    SymbolLookup(const FileBytes& file, const ElfFields& f, const std::vector<LoadedPart>& parts,
                 const DynamicTables& tables)
        : file_(file), f_(f), parts_(parts), tables_(tables) {}

    // The address of the data record `name` exports, or nullopt.
    std::optional<std::uint64_t> find(std::string_view name) const {
        const auto index = tables_.gnuHash != 0 ? gnuLookup(name) : sysvLookup(name);
        return index ? usableAddress(*index, name) : std::nullopt;
    }

private:
    // The file offset of `length` bytes of a table at `address`; damage when the file does not hold them.
    std::uint64_t mapped(std::uint64_t address, std::uint64_t length) const {
        const auto offset = fileOffsetOf(parts_, address, length);
        if (!offset) throw Refusal("damaged: its symbol tables reach outside its loaded segments");
        return *offset;
    }
    std::uint32_t u32At(std::uint64_t address) const { return file_.u32(mapped(address, 4)); }
    std::uint64_t symbolAt(std::uint64_t index) const {
        return mapped(add(tables_.symbols, multiply(index, f_.symbolSize)), f_.symbolSize);
    }

    bool named(std::uint64_t index, std::string_view name) const {
        const std::uint32_t nameOffset = file_.u32(symbolAt(index) + f_.stName);
        if (nameOffset >= tables_.stringsSize || tables_.stringsSize - nameOffset < name.size() + 1) return false;
        const std::uint64_t text = mapped(add(tables_.strings, nameOffset), name.size() + 1);
        return file_.view(text, name.size() + 1) == std::string(name) + '\0';
    }

    std::optional<std::uint64_t> gnuLookup(std::string_view name) const {
        const std::uint32_t h = gnuHash(name);
        const std::uint32_t bucketCount = u32At(tables_.gnuHash), firstSymbol = u32At(add(tables_.gnuHash, 4));
        const std::uint32_t bloomWords = u32At(add(tables_.gnuHash, 8));
        if (bucketCount == 0) throw Refusal("damaged: its symbol hash table has no buckets");
        const std::uint64_t buckets = add(tables_.gnuHash, add(16, multiply(bloomWords, f_.wide ? 8 : 4)));
        const std::uint64_t chains = add(buckets, multiply(bucketCount, 4));
        std::uint64_t index = u32At(add(buckets, std::uint64_t(h % bucketCount) * 4));
        if (index == 0) return std::nullopt;
        if (index < firstSymbol) throw Refusal("damaged: its symbol hash table points before its chains");
        for (;; ++index) {
            const std::uint32_t chainHash = u32At(add(chains, multiply(index - firstSymbol, 4)));
            if ((chainHash | 1) == (h | 1) && named(index, name)) return index;
            if ((chainHash & 1) != 0) return std::nullopt;
        }
    }

    std::optional<std::uint64_t> sysvLookup(std::string_view name) const {
        const std::uint32_t bucketCount = u32At(tables_.sysvHash), chainCount = u32At(add(tables_.sysvHash, 4));
        if (bucketCount == 0) throw Refusal("damaged: its symbol hash table has no buckets");
        const std::uint64_t buckets = add(tables_.sysvHash, 8);
        const std::uint64_t chains = add(buckets, multiply(bucketCount, 4));
        std::uint64_t index = u32At(add(buckets, std::uint64_t(sysvHash(name) % bucketCount) * 4));
        // A chain visits each of its entries once at most, and the file holds them all.
        const std::uint64_t maxSteps = std::min<std::uint64_t>(chainCount, file_.size() / 4);
        for (std::uint64_t steps = 0; index != 0; ++steps) {
            if (index >= chainCount || steps >= maxSteps) {
                throw Refusal("damaged: a chain of its symbol hash table leaves the table or loops");
            }
            if (named(index, name)) return index;
            index = u32At(add(chains, index * 4));
        }
        return std::nullopt;
    }

    // A defined, visible data symbol's address; a function (or code run to find the address) refused.
    std::optional<std::uint64_t> usableAddress(std::uint64_t index, std::string_view name) const {
        const std::uint64_t symbol = symbolAt(index);
        const auto info = static_cast<unsigned>(file_.field(symbol + f_.stInfo, 1));
        const auto visibility = static_cast<unsigned>(file_.field(symbol + f_.stOther, 1)) & 3;
        if (file_.u16(symbol + f_.stShndx) == 0 || (info >> 4) == BIND_LOCAL || visibility == VISIBILITY_INTERNAL ||
            visibility == VISIBILITY_HIDDEN) {
            return std::nullopt;
        }
        const unsigned type = info & 0xf;
        std::string quoted = "\"";  // built in steps: GCC 12 at -O3 warns falsely on "\"" + std::string
        quoted.append(name).push_back('"');
        if (type == TYPE_FUNCTION) throw Refusal("exports " + quoted + " as a function, not a data record");
        if (type == TYPE_INDIRECT_FUNCTION) throw Refusal("exports " + quoted + " through a resolver function");
        if (type == TYPE_THREAD_LOCAL) throw Refusal("exports " + quoted + " as thread-local data");
        return file_.word(symbol + f_.stValue, f_.wide);
    }

    const FileBytes& file_;
    const ElfFields& f_;
    const std::vector<LoadedPart>& parts_;
    const DynamicTables& tables_;
};

}  // namespace

CheckedImage checkElf(const FileBytes& file, const ModuleTarget& target, WantedNames wanted) {
    const ElfFields& f = checkIdentification(file, target);
    Segments segments = readSegments(file, f);
    checkSections(file, f);
    const DynamicTables tables = readDynamic(file, f, *segments.dynamic);
    CheckedImage image{.parts = std::move(segments.parts), .exports = {}};
    const SymbolLookup lookup(file, f, image.parts, tables);
    for (const std::string_view name : wanted) image.exports.push_back(lookup.find(name));
    return image;
}

}  // namespace vorlat::module_check
