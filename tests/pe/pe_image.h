// What the checks of the built Windows libraries read from a PE file: the
// headers, export and import tables and resource directory as binutils'
// objdump prints them, and the resource bytes themselves from the file.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace vorlat::pe {

struct Section {
    std::string name;
    std::uint64_t vma = 0;  // absolute, as objdump -h prints it
    std::uint64_t size = 0;
    std::uint64_t fileOffset = 0;
    std::vector<std::string> flags;  // "CONTENTS", "READONLY", "CODE", ...
    bool has(const std::string& flag) const;
};

struct ResourceLeaf {
    std::uint32_t type = 0;  // numbered types only: 2 bitmap, 16 version
    std::uint32_t id = 0;
    std::uint32_t language = 0;
    std::uint32_t rva = 0;
    std::uint32_t size = 0;
};

struct PeImage {
    std::string fileFormat;  // "pei-i386", "pei-x86-64"
    std::string magic;       // "PE32", "PE32+"
    std::uint32_t characteristics = 0;
    std::uint32_t dllCharacteristics = 0;
    std::uint64_t imageBase = 0;
    std::uint32_t entryPoint = 0;
    std::string exportedLibraryName;
    std::vector<std::string> exports;                         // the name pointer table, in order
    std::map<std::string, std::uint32_t> exportRvas;          // name -> its export address table entry
    std::uint32_t exportAddressCount = 0;                     // entries of the export address table
    std::map<std::string, std::vector<std::string>> imports;  // DLL name as written -> functions
    std::vector<ResourceLeaf> resources;
    std::vector<Section> sections;
};

// Parses `objdump -p` output (headers, imports, exports, resource tree) and
// `objdump -h` output (sections). Throws std::runtime_error on text it cannot read.
PeImage parseObjdump(const std::string& privateHeaders, const std::string& sectionHeaders);

// Runs `tool -p` and `tool -h` on `path` and parses both.
PeImage readWithObjdump(const std::string& tool, const std::string& path);

// The section holding an RVA, or nullptr.
const Section* sectionAt(const PeImage& image, std::uint32_t rva);

// The COFF machine field, read straight from the file (0x14c i386, 0x8664 x86-64).
std::uint16_t coffMachine(const std::vector<std::uint8_t>& file);

// The bytes at an RVA, through the section that holds them; throws when out of the file.
std::vector<std::uint8_t> bytesAt(const PeImage& image, const std::vector<std::uint8_t>& file, std::uint32_t rva,
                                  std::uint32_t size);

struct DibHeader {
    std::int32_t width = 0, height = 0;
    std::uint16_t planes = 0, bitsPerPixel = 0;
    std::uint32_t compression = 0, coloursUsed = 0;
};
DibHeader readDibHeader(const std::vector<std::uint8_t>& resource);

// A VS_VERSIONINFO resource: the fixed part and every string of every table.
struct VersionInfo {
    std::uint32_t signature = 0;
    std::uint32_t fileVersionMs = 0, fileVersionLs = 0;
    std::uint32_t productVersionMs = 0, productVersionLs = 0;
    std::uint32_t fileOs = 0, fileType = 0;
    std::map<std::string, std::map<std::string, std::string>> strings;  // table ("040904B0") -> key -> value
    std::vector<std::uint32_t> translations;                            // language | code page << 16
};
VersionInfo readVersionInfo(const std::vector<std::uint8_t>& resource);

std::vector<std::uint8_t> readFile(const std::string& path);

}  // namespace vorlat::pe
