// The objdump reader on a fixed excerpt, so that it is checked even where no
// Windows library has been built.
#include <gtest/gtest.h>

#include "tests/pe/pe_image.h"

namespace vorlat::pe {
namespace {

const char PRIVATE_HEADERS[] =
    "\nZEK.vorlat.gau:     file format pei-i386\n\n"
    "Characteristics 0x2106\n\texecutable\n\tDLL\n\n"
    "Magic\t\t\t010b\t(PE32)\n"
    "AddressOfEntryPoint\t00001390\n"
    "ImageBase\t\t6aec0000\n"
    "DllCharacteristics\t00000140\n\t\t\t\t\tDYNAMIC_BASE\n\n"
    "The Import Tables (interpreted .idata section contents)\n"
    " vma:            Hint    Time      Forward  DLL       First\n"
    " 00008000\t0000803c 00000000 00000000 000082c4 000080ac\n\n"
    "\tDLL Name: KERNEL32.dll\n\tvma:  Hint/Ord Member-Name Bound-To\n"
    "\t811c\t  277  DeleteCriticalSection\n\t814c\t  433  FreeLibrary\n\n"
    "\tDLL Name: USER32.dll\n\tvma:  Hint/Ord Member-Name Bound-To\n\t8290\t  941  wsprintfA\n\n"
    "The Export Tables (interpreted .edata section contents)\n\n"
    "Name \t\t\t\t0000703c ZEK.vorlat.gau\n"
    "Number in:\n\tExport Address Table \t\t00000002\n\t[Name Pointer/Ordinal] Table\t00000002\n"
    "Export Address Table -- Ordinal Base 1\n"
    "\t[   0] +base[   1] 3020 Export RVA\n\t[   1] +base[   2] 3040 Export RVA\n\n"
    "[Ordinal/Name Pointer] Table\n\t[   1] Linkage\n\t[   0] ImportTable\n\n"
    "The .rsrc Resource Directory section:\n"
    "000  Type Table: Char: 0, Time: 00000000, Ver: 0/0, Num Names: 0, IDs: 2\n"
    "010   Entry: ID: 0x000002, Value: 0x80000020\n"
    "020    Name Table: Char: 0, Time: 00000000, Ver: 0/0, Num Names: 0, IDs: 2\n"
    "030     Entry: ID: 0x001000, Value: 0x80000040\n"
    "040      Language Table: Char: 0, Time: 00000000, Ver: 0/0, Num Names: 0, IDs: 1\n"
    "050       Entry: ID: 0x000409, Value: 0x0000a0\n"
    "0a0        Leaf: Addr: 0x00b0d0, Size: 0x0094ec, Codepage: 0\n"
    "038     Entry: ID: 0x002000, Value: 0x80000058\n"
    "058      Language Table: Char: 0, Time: 00000000, Ver: 0/0, Num Names: 0, IDs: 1\n"
    "068       Entry: ID: 0x000409, Value: 0x0000b0\n"
    "0b0        Leaf: Addr: 0x0145c0, Size: 0x000528, Codepage: 0\n"
    "018   Entry: ID: 0x000010, Value: 0x80000070\n"
    "070    Name Table: Char: 0, Time: 00000000, Ver: 0/0, Num Names: 0, IDs: 1\n"
    "080     Entry: ID: 0x000001, Value: 0x80000088\n"
    "088      Language Table: Char: 0, Time: 00000000, Ver: 0/0, Num Names: 0, IDs: 1\n"
    "098       Entry: ID: 0x000409, Value: 0x0000c0\n"
    "0c0        Leaf: Addr: 0x014ae8, Size: 0x000138, Codepage: 0\n"
    " Resources start at offset: 0xd0\n";

const char SECTION_HEADERS[] =
    "Sections:\nIdx Name          Size      VMA       LMA       File off  Algn\n"
    "  0 .text         000013e4  6aec1000  6aec1000  00000600  2**2\n"
    "                  CONTENTS, ALLOC, LOAD, READONLY, CODE, DATA\n"
    "  1 .data         00000080  6aec3000  6aec3000  00001a00  2**2\n"
    "                  CONTENTS, ALLOC, LOAD, DATA\n";

TEST(ObjdumpReader, ReadsHeadersTablesAndTheResourceTree) {
    const PeImage image = parseObjdump(PRIVATE_HEADERS, SECTION_HEADERS);
    EXPECT_EQ(image.fileFormat, "pei-i386");
    EXPECT_EQ(image.magic, "PE32");
    EXPECT_EQ(image.characteristics, 0x2106u);
    EXPECT_EQ(image.dllCharacteristics, 0x140u);
    EXPECT_EQ(image.imageBase, 0x6aec0000u);
    EXPECT_EQ(image.entryPoint, 0x1390u);
    EXPECT_EQ(image.imports.at("KERNEL32.dll"), (std::vector<std::string>{"DeleteCriticalSection", "FreeLibrary"}));
    EXPECT_EQ(image.imports.at("USER32.dll"), std::vector<std::string>{"wsprintfA"});
    EXPECT_EQ(image.exportedLibraryName, "ZEK.vorlat.gau");
    EXPECT_EQ(image.exportAddressCount, 2u);
    EXPECT_EQ(image.exports, (std::vector<std::string>{"Linkage", "ImportTable"}));
    EXPECT_EQ(image.exportRvas.at("Linkage"), 0x3040u);  // by its ordinal, not by its place in the list
    EXPECT_EQ(image.exportRvas.at("ImportTable"), 0x3020u);

    ASSERT_EQ(image.resources.size(), 3u);
    // clang-format off
    const ResourceLeaf expected[] = {{2, 0x1000, 0x409, 0xb0d0, 0x94ec},
                                     {2, 0x2000, 0x409, 0x145c0, 0x528},
                                     {16, 1, 0x409, 0x14ae8, 0x138}};
    // clang-format on
    for (std::size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(image.resources[i].type, expected[i].type);
        EXPECT_EQ(image.resources[i].id, expected[i].id);
        EXPECT_EQ(image.resources[i].language, expected[i].language);
        EXPECT_EQ(image.resources[i].rva, expected[i].rva);
        EXPECT_EQ(image.resources[i].size, expected[i].size);
    }
    ASSERT_EQ(image.sections.size(), 2u);
    EXPECT_TRUE(image.sections[0].has("CODE"));
    EXPECT_FALSE(image.sections[1].has("READONLY"));
    EXPECT_EQ(sectionAt(image, 0x3040), &image.sections[1]);
    EXPECT_EQ(sectionAt(image, 0x9000), nullptr);
}

TEST(ObjdumpReader, RefusesANamedResource) {
    std::string text = PRIVATE_HEADERS;
    text.replace(text.find("Entry: ID: 0x001000, Value: 0x80000040"), 38, "Entry: name: [val: 00000100 len 4]: ICON");
    EXPECT_THROW(parseObjdump(text, SECTION_HEADERS), std::runtime_error);
}

}  // namespace
}  // namespace vorlat::pe
