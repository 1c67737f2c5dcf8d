#include "tests/pe/pe_image.h"

#include <array>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>
#include <stdexcept>

namespace vorlat::pe {

namespace {

std::uint64_t hex(const std::string& text) { return std::stoull(text, nullptr, 16); }

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

bool startsWith(const std::string& text, const std::string& prefix) { return text.rfind(prefix, 0) == 0; }

[[noreturn]] void unreadable(const std::string& what, const std::string& line) {
    throw std::runtime_error("objdump output: " + what + ": \"" + line + "\"");
}

// Header lines of the form "Name<tabs>value".
void readHeaderField(PeImage& image, const std::string& line) {
    static const std::regex field(R"(^(\w+)\s+(\S+)(?:\s+\((.*)\))?\s*$)");
    std::smatch m;
    if (!std::regex_match(line, m, field)) return;
    const std::string name = m[1];
    if (name == "Characteristics") image.characteristics = std::uint32_t(hex(m[2]));
    if (name == "Magic") image.magic = m[3];
    if (name == "ImageBase") image.imageBase = hex(m[2]);
    if (name == "AddressOfEntryPoint") image.entryPoint = std::uint32_t(hex(m[2]));
    if (name == "DllCharacteristics") image.dllCharacteristics = std::uint32_t(hex(m[2]));
}

// One resource directory line: its depth in the tree (from the indentation
// after the offset) and what it says.
struct ResourceLine {
    int indent = 0;
    std::string text;
};

std::optional<ResourceLine> resourceLine(const std::string& line) {
    static const std::regex shape(R"(^[0-9a-f]{3,}( +)(\S.*)$)");
    std::smatch m;
    if (!std::regex_match(line, m, shape)) return std::nullopt;
    return ResourceLine{int(m[1].length()), m[2]};
}

void readResourceTree(PeImage& image, const std::vector<std::string>& text, std::size_t first) {
    // The tree prints depth first: type entries, their name entries, their
    // language entries, then the leaf; each level two columns further in.
    static const std::regex entry(R"(^Entry: ID: 0x([0-9a-f]+), Value: 0x[0-9a-f]+$)");
    static const std::regex leaf(R"(^Leaf: Addr: 0x([0-9a-f]+), Size: 0x([0-9a-f]+), Codepage: \d+$)");
    std::array<std::optional<std::uint32_t>, 3> path;  // type, id, language
    int typeIndent = -1;
    for (std::size_t i = first; i < text.size(); ++i) {
        const auto line = resourceLine(text[i]);
        if (!line) {
            if (startsWith(text[i], " Resources start at offset")) break;
            continue;
        }
        if (line->text.find("Table:") != std::string::npos) {
            if (typeIndent < 0) typeIndent = line->indent + 1;
            continue;
        }
        std::smatch m;
        if (std::regex_match(line->text, m, entry)) {
            const int level = (line->indent - typeIndent) / 2;
            if (level < 0 || level > 2 || (line->indent - typeIndent) % 2 != 0)
                unreadable("resource entry depth", text[i]);
            path[std::size_t(level)] = std::uint32_t(hex(m[1]));
            for (std::size_t deeper = std::size_t(level) + 1; deeper < path.size(); ++deeper) path[deeper].reset();
        } else if (std::regex_match(line->text, m, leaf)) {
            if (!path[0] || !path[1] || !path[2]) unreadable("resource leaf outside type/id/language", text[i]);
            image.resources.push_back(
                {*path[0], *path[1], *path[2], std::uint32_t(hex(m[1])), std::uint32_t(hex(m[2]))});
        } else {
            // Named resources print "Entry: name: ..."; the gauge numbers every resource.
            unreadable("resource line", text[i]);
        }
    }
}

void readImports(PeImage& image, const std::vector<std::string>& text, std::size_t& i) {
    static const std::regex dllName(R"(^\tDLL Name: (\S+)$)");
    static const std::regex member(R"(^\t[0-9a-f]+\s+\d+\s+(\S+)$)");
    std::smatch m;
    if (!std::regex_match(text[i], m, dllName)) return;
    auto& functions = image.imports[m[1]];
    for (++i; i < text.size() && !text[i].empty(); ++i) {
        if (startsWith(text[i], "\tvma:")) continue;
        if (!std::regex_match(text[i], m, member)) unreadable("import entry", text[i]);
        functions.push_back(m[1]);
    }
}

void readExports(PeImage& image, const std::vector<std::string>& text, std::size_t& i,
                 std::map<std::size_t, std::uint32_t>& addresses) {
    static const std::regex name(R"(^Name\s+[0-9a-f]+ (\S+)$)");
    static const std::regex count(R"(^\tExport Address Table\s+([0-9a-f]+)$)");
    static const std::regex address(R"(^\t\[\s*(\d+)\] \+base\[\s*\d+\] ([0-9a-f]+) Export RVA$)");
    static const std::regex pointer(R"(^\t\[\s*(\d+)\] (\S+)$)");
    std::smatch m;
    if (std::regex_match(text[i], m, name)) {
        image.exportedLibraryName = m[1];
    } else if (image.exportAddressCount == 0 && std::regex_match(text[i], m, count)) {
        image.exportAddressCount = std::uint32_t(hex(m[1]));
    } else if (std::regex_match(text[i], m, address)) {
        addresses[std::stoul(m[1])] = std::uint32_t(hex(m[2]));
    } else if (startsWith(text[i], "[Ordinal/Name Pointer] Table")) {
        for (++i; i < text.size() && !text[i].empty(); ++i) {
            if (!std::regex_match(text[i], m, pointer)) unreadable("export name", text[i]);
            const auto entry = addresses.find(std::stoul(m[1]));
            if (entry == addresses.end()) unreadable("export name without an address", text[i]);
            image.exports.push_back(m[2]);
            image.exportRvas[m[2]] = entry->second;
        }
    }
}

std::vector<Section> readSections(const std::string& sectionHeaders) {
    static const std::regex row(R"(^\s*\d+ (\S+)\s+([0-9a-f]+)\s+([0-9a-f]+)\s+[0-9a-f]+\s+([0-9a-f]+)\s+2\*\*\d+$)");
    std::vector<Section> sections;
    const std::vector<std::string> text = lines(sectionHeaders);
    for (std::size_t i = 0; i < text.size(); ++i) {
        std::smatch m;
        if (!std::regex_match(text[i], m, row)) continue;
        Section section{m[1], hex(m[3]), hex(m[2]), hex(m[4]), {}};
        // The next line lists the section's flags.
        if (i + 1 < text.size()) {
            std::istringstream flags(text[i + 1]);
            for (std::string flag; std::getline(flags >> std::ws, flag, ',');) section.flags.push_back(flag);
        }
        sections.push_back(section);
    }
    if (sections.empty()) throw std::runtime_error("objdump -h output lists no section");
    return sections;
}

std::string run(const std::string& command) {
    std::FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) throw std::runtime_error("cannot run " + command);
    std::string out;
    std::array<char, 4096> chunk;
    for (std::size_t n; (n = std::fread(chunk.data(), 1, chunk.size(), pipe)) > 0;) out.append(chunk.data(), n);
    if (pclose(pipe) != 0) throw std::runtime_error(command + " failed");
    return out;
}

std::uint32_t word32(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    if (at + 4 > bytes.size()) throw std::runtime_error("read past the end of a resource");
    return std::uint32_t(bytes[at]) | std::uint32_t(bytes[at + 1]) << 8 | std::uint32_t(bytes[at + 2]) << 16 |
           std::uint32_t(bytes[at + 3]) << 24;
}

std::uint16_t word16(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    if (at + 2 > bytes.size()) throw std::runtime_error("read past the end of a resource");
    return std::uint16_t(bytes[at] | bytes[at + 1] << 8);
}

// One node of a version resource: wLength, wValueLength, wType, a UTF-16 key,
// the value and the children, each part aligned to 4 bytes.
struct VersionNode {
    std::string key;
    std::uint16_t type = 0;
    std::size_t valueStart = 0, valueLength = 0;  // valueLength as stored: bytes, or characters for text
    std::vector<VersionNode> children;
};

std::size_t align4(std::size_t at) { return (at + 3) & ~std::size_t(3); }

std::string utf16Until(const std::vector<std::uint8_t>& bytes, std::size_t& at, std::size_t end) {
    std::string text;
    for (; at + 2 <= end; at += 2) {
        const std::uint16_t c = word16(bytes, at);
        if (c == 0) {
            at += 2;
            return text;
        }
        text += c < 0x80 ? char(c) : '?';
    }
    throw std::runtime_error("unterminated string in the version resource");
}

VersionNode readVersionNode(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    const std::size_t length = word16(bytes, at);
    const std::size_t end = at + length;
    if (length < 6 || end > bytes.size()) throw std::runtime_error("version resource block length out of bounds");
    VersionNode node;
    node.valueLength = word16(bytes, at + 2);
    node.type = word16(bytes, at + 4);
    std::size_t cursor = at + 6;
    node.key = utf16Until(bytes, cursor, end);
    cursor = align4(cursor);
    node.valueStart = cursor;
    const std::size_t valueBytes = node.type == 1 ? node.valueLength * 2 : node.valueLength;
    if (cursor + valueBytes > end) throw std::runtime_error("version resource value out of its block");
    cursor = align4(cursor + valueBytes);
    while (cursor < end) {
        VersionNode child = readVersionNode(bytes, cursor);
        cursor = align4(cursor + word16(bytes, cursor));
        node.children.push_back(std::move(child));
    }
    return node;
}

}  // namespace

PeImage parseObjdump(const std::string& privateHeaders, const std::string& sectionHeaders) {
    PeImage image;
    const std::vector<std::string> text = lines(privateHeaders);
    static const std::regex format(R"(^.*:\s+file format (\S+)$)");
    bool inImports = false, inExports = false;
    std::map<std::size_t, std::uint32_t> exportAddresses;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const std::string& line = text[i];
        std::smatch m;
        if (image.fileFormat.empty() && std::regex_match(line, m, format)) image.fileFormat = m[1];
        if (startsWith(line, "The Import Tables")) inImports = true, inExports = false;
        if (startsWith(line, "The Export Tables")) inExports = true, inImports = false;
        if (startsWith(line, "PE File Base Relocations") || startsWith(line, "The Function Table")) {
            inImports = inExports = false;
        }
        if (startsWith(line, "The .rsrc Resource Directory section")) {
            readResourceTree(image, text, i + 1);
            break;
        }
        if (inImports) {
            readImports(image, text, i);
        } else if (inExports) {
            readExports(image, text, i, exportAddresses);
        } else {
            readHeaderField(image, line);
        }
    }
    if (image.fileFormat.empty() || image.magic.empty()) throw std::runtime_error("objdump -p output has no PE header");
    image.sections = readSections(sectionHeaders);
    return image;
}

PeImage readWithObjdump(const std::string& tool, const std::string& path) {
    return parseObjdump(run(tool + " -p '" + path + "'"), run(tool + " -h '" + path + "'"));
}

bool Section::has(const std::string& flag) const {
    for (const std::string& f : flags) {
        if (f == flag) return true;
    }
    return false;
}

const Section* sectionAt(const PeImage& image, std::uint32_t rva) {
    for (const Section& section : image.sections) {
        const std::uint64_t start = section.vma - image.imageBase;
        if (rva >= start && rva < start + section.size) return &section;
    }
    return nullptr;
}

std::uint16_t coffMachine(const std::vector<std::uint8_t>& file) {
    const std::uint32_t peOffset = word32(file, 0x3c);
    if (word32(file, peOffset) != 0x00004550) throw std::runtime_error("no PE signature");
    return word16(file, std::size_t(peOffset) + 4);
}

std::vector<std::uint8_t> bytesAt(const PeImage& image, const std::vector<std::uint8_t>& file, std::uint32_t rva,
                                  std::uint32_t size) {
    for (const Section& section : image.sections) {
        const std::uint64_t start = section.vma - image.imageBase;
        if (rva < start || rva + std::uint64_t(size) > start + section.size) continue;
        const std::uint64_t offset = section.fileOffset + (rva - start);
        if (offset + size > file.size()) break;
        return {file.begin() + std::ptrdiff_t(offset), file.begin() + std::ptrdiff_t(offset + size)};
    }
    throw std::runtime_error("RVA " + std::to_string(rva) + " (+" + std::to_string(size) +
                             ") lies in no section of the file");
}

DibHeader readDibHeader(const std::vector<std::uint8_t>& resource) {
    if (word32(resource, 0) < 40) throw std::runtime_error("bitmap resource without a BITMAPINFOHEADER");
    return {.width = std::int32_t(word32(resource, 4)),
            .height = std::int32_t(word32(resource, 8)),
            .planes = word16(resource, 12),
            .bitsPerPixel = word16(resource, 14),
            .compression = word32(resource, 16),
            .coloursUsed = word32(resource, 32)};
}

VersionInfo readVersionInfo(const std::vector<std::uint8_t>& resource) {
    const VersionNode root = readVersionNode(resource, 0);
    if (root.key != "VS_VERSION_INFO") throw std::runtime_error("version resource key is \"" + root.key + "\"");
    VersionInfo info;
    if (root.valueLength >= 52) {
        const std::size_t v = root.valueStart;
        info.signature = word32(resource, v);
        info.fileVersionMs = word32(resource, v + 8);
        info.fileVersionLs = word32(resource, v + 12);
        info.productVersionMs = word32(resource, v + 16);
        info.productVersionLs = word32(resource, v + 20);
        info.fileOs = word32(resource, v + 32);
        info.fileType = word32(resource, v + 36);
    }
    for (const VersionNode& block : root.children) {
        if (block.key == "StringFileInfo") {
            for (const VersionNode& table : block.children) {
                auto& strings = info.strings[table.key];
                for (const VersionNode& entry : table.children) {
                    std::size_t at = entry.valueStart;
                    strings[entry.key] =
                        entry.valueLength == 0 ? std::string() : utf16Until(resource, at, at + entry.valueLength * 2);
                }
            }
        } else if (block.key == "VarFileInfo") {
            for (const VersionNode& var : block.children) {
                if (var.key != "Translation") continue;
                for (std::size_t at = var.valueStart; at + 4 <= var.valueStart + var.valueLength; at += 4) {
                    info.translations.push_back(word32(resource, at));
                }
            }
        }
    }
    return info;
}

std::vector<std::uint8_t> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace vorlat::pe
