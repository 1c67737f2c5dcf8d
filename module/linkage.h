// The records the host reads at fixed byte offsets, and the routines it calls.
//
// Every record is 4-byte packed: the 32-bit Windows ABI would otherwise align a
// double to 8 inside a struct and move `ModuleVariable.value` off offset 12.
// Pointer fields take the platform's width; docs/records.md lists both layouts.
// Every routine, callback, handler and host service uses the platform's default
// C calling convention (cdecl on 32-bit Windows).
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(_WIN32)
#define GAUGE_EXPORT extern "C"
#else
#define GAUGE_EXPORT extern "C" __attribute__((visibility("default")))
#endif

#pragma pack(push, 4)

struct GaugeHeader;
struct ElementHeader;
struct MouseArea;

// One host variable bound by its identifier; the host keeps `value` current.
struct ModuleVariable {
    std::uint32_t id{};
    void* hostAddress{};  // the host's own storage of the variable
    std::uint32_t reserved0{};
    double value{};
    std::uint32_t reserved1[2]{};
};

using ModuleRoutine = void (*)();
using ModuleRoutineWithValue = void (*)(std::uint32_t value);
using ReadoutCallback = double (*)(double value);
using IconCallback = double (*)(ModuleVariable* slot);
using MouseHandler = std::int32_t (*)(std::uint32_t hostValue, std::uint32_t eventWord);

struct LinkageRecord {
    std::uint32_t moduleTag{};
    ModuleRoutine moduleInit{};
    ModuleRoutine moduleDeinit{};
    std::uint32_t reserved[3]{};
    GaugeHeader* gauges[2];  // the one gauge, then null
};

struct ImportEntry {
    std::uint32_t id{};
    void* pointer{};  // filled by the host before any routine runs
};

struct ImportTableRecord {
    ImportEntry hostServices;  // id 0x0F: HostServiceTable
    ImportEntry hostData;      // id 2: HostDataBlock
    ImportEntry end;           // all zero
};

struct GaugeHeader {
    std::uint32_t headerTag{};
    const char* name{};
    ElementHeader** elementList{};
    ModuleRoutine relayRoutine1{};
    ModuleRoutineWithValue setupRoutine{};
    ModuleRoutine startRoutine{};
    ModuleRoutine relayRoutine4{};
    ModuleRoutineWithValue relayRoutine5{};
    ModuleRoutine relayRoutine6{};
    ModuleRoutine finalRoutine{};
    std::uint32_t reserved0{};
    std::uint32_t width{};
    std::uint32_t reserved1[10]{};
};

// The host's panel services, one function pointer per slot. The module calls
// twelve of them and uses no result; the other slots are never called.
struct HostServiceTable {
    void* unusedSlots0to23[24]{};
    void (*elementsRelay1)(ElementHeader* root) = nullptr;
    void (*elementsSetup)(ElementHeader* root, std::uint32_t value) = nullptr;
    void (*elementsStart)(ElementHeader* root) = nullptr;
    void (*elementsRelay4)(ElementHeader* root) = nullptr;
    void (*elementsRelay5)(ElementHeader* root, std::uint32_t value) = nullptr;
    void (*elementsRelay6)(ElementHeader* root) = nullptr;
    void* unusedSlot30{};
    void (*elementsFinal)(ElementHeader* root) = nullptr;
    void (*mouseAreasPrepare)(MouseArea* areas, GaugeHeader* gauge, void* hostFieldPlus4) = nullptr;
    void (*mouseAreasRegister)(MouseArea* areas, GaugeHeader* gauge) = nullptr;
    void (*mouseAreasRelease)(MouseArea* areas, GaugeHeader* gauge) = nullptr;
    void* unusedSlots35to37[3]{};
    void (*registerVariable)(ModuleVariable* variable) = nullptr;
    void* unusedSlot39{};
    void (*refreshVariable)(ModuleVariable* variable) = nullptr;
};

// Host-owned block of signed 32-bit words; the module reads two of them.
inline constexpr std::size_t TAS_DATA_WORD = 174;
inline constexpr std::size_t IAS_DATA_WORD = 175;

struct ConditionPair {
    std::uint32_t key{};
    std::uint32_t action{};
};

enum ElementKind : std::int32_t { IMAGE_ELEMENT = 0, TEXT_ELEMENT = 2, ICON_ELEMENT = 4 };

struct ElementHeader {
    std::int32_t type{};
    std::int32_t resourceId{};
    std::int32_t x{};
    std::int32_t y{};
    std::uint32_t reserved0[4]{};
    GaugeHeader* gauge{};
    std::uint32_t reserved1{};
    ElementHeader** children{};
    ConditionPair* conditions{};
    std::uint32_t drawFlags{};
    std::uint32_t reserved2[2]{};
};

struct ImageElement {
    ElementHeader header{};
    void* hostField{};  // filled by the host in elementsSetup
    std::uint32_t reserved[4]{};
};

struct TextElement {
    ElementHeader header{};
    ModuleVariable vars[3]{};
    std::uint32_t reserved0[9]{};
    ReadoutCallback callback{};
    char* text{};  // the host's buffer, set before the first callback
    std::uint32_t reserved1{};
    std::int32_t width{};
    std::int32_t height{};
    std::uint32_t reserved2[2]{};
    std::uint32_t foreColour{};
    std::uint32_t reserved3{};
    std::uint32_t backColour{};
    std::uint32_t reserved4{};
    std::uint32_t highlightColour{};
    std::uint32_t reserved5[5]{};
    char fontName[32]{};
    std::int32_t fontWeight{};
    std::uint32_t fontCharset{};
    std::uint32_t textFlags{};
    std::int32_t charCount{};
    std::uint32_t reserved6[4]{};
};

struct IconElement {
    ElementHeader header{};
    ModuleVariable var{};
    IconCallback callback{};
    std::uint32_t selectMode{};
    std::uint32_t reserved0[4]{};
    std::uint32_t imageCount{};
    std::uint32_t reserved1[5]{};
};

enum MouseAreaKind : std::uint32_t { AREA_END = 0, AREA_BEGIN_GROUP = 1, AREA_ACTIVE = 2, AREA_END_GROUP = 3 };

struct MouseArea {
    std::uint32_t kind{};
    std::int32_t x{};
    std::int32_t y{};
    std::int32_t width{};
    std::int32_t height{};
    std::int32_t cursor{};
    std::uint32_t helpId{};
    std::uint32_t eventMask{};
    std::uint32_t eventId{};
    MouseHandler handler{};
    std::uint32_t userData{};
};

#pragma pack(pop)

// The two exported records: the host finds them by name.
//
// Naming: a record the module has once and that the host or the docs know by
// name (Linkage, ImportTable, LatestValues, RecorderState, AccelSampler) has
// the type <Name>Record. Other types are named for what each of their objects
// is (GaugeHeader, TextElement, RateSampler), their objects in lower camel case.
GAUGE_EXPORT LinkageRecord Linkage;
GAUGE_EXPORT ImportTableRecord ImportTable;

inline constexpr std::uint32_t MODULE_TAG = 0x13;
inline constexpr std::uint32_t HEADER_TAG = 0x262;
inline constexpr std::uint32_t HOST_SERVICES_IMPORT_ID = 0x0F;
inline constexpr std::uint32_t HOST_DATA_IMPORT_ID = 2;

extern GaugeHeader gaugeHeader;

// The host's services and data block, as filled into ImportTable.
inline HostServiceTable* hostServices() { return static_cast<HostServiceTable*>(ImportTable.hostServices.pointer); }
inline const std::int32_t* hostDataBlock() { return static_cast<const std::int32_t*>(ImportTable.hostData.pointer); }

// The five variables the module binds itself, in registration order.
inline constexpr std::uint32_t THROTTLE_VAR_ID = 127;
inline constexpr std::uint32_t TICK_VAR_ID = 1;
inline constexpr std::uint32_t SPEED_VAR_ID = 61;
inline constexpr std::uint32_t BANK_VAR_ID = 80;
inline constexpr std::uint32_t HEADING_VAR_ID = 84;

// Variables only the element records name; the host keeps their values current.
inline constexpr std::uint32_t GROUND_VAR_ID = 2;  // the Ft field's second variable
inline constexpr std::uint32_t STALL_VAR_ID = 67;  // the stall light's

// Each stands alone on an 8-byte boundary, so neighbours lie 32 bytes apart.
struct alignas(8) StandaloneVariable {
    ModuleVariable record{};
};
extern StandaloneVariable boundVariables[5];
inline ModuleVariable& throttleVar = boundVariables[0].record;
inline ModuleVariable& tickVar = boundVariables[1].record;
inline ModuleVariable& speedVar = boundVariables[2].record;
inline ModuleVariable& bankVar = boundVariables[3].record;
inline ModuleVariable& headingVar = boundVariables[4].record;

// Gauge routines, reached by the host through gaugeHeader.
void moduleInit();
void moduleDeinit();
void relayRoutine1();
void setupRoutine(std::uint32_t value);
void startRoutine();
void relayRoutine4();
void relayRoutine5(std::uint32_t value);
void relayRoutine6();
void finalRoutine();

// The host reads these offsets; a moved field breaks every host.
#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(ModuleVariable) == 28 && offsetof(ModuleVariable, hostAddress) == 4 &&
              offsetof(ModuleVariable, value) == 12);
static_assert(sizeof(StandaloneVariable) == 32);
static_assert(sizeof(LinkageRecord) == 32 && offsetof(LinkageRecord, moduleInit) == 4 &&
              offsetof(LinkageRecord, moduleDeinit) == 8 && offsetof(LinkageRecord, gauges) == 24);
static_assert(sizeof(ImportTableRecord) == 24 && offsetof(ImportTableRecord, hostData) == 8 &&
              offsetof(ImportTableRecord, end) == 16);
static_assert(sizeof(GaugeHeader) == 88 && offsetof(GaugeHeader, name) == 4 &&
              offsetof(GaugeHeader, elementList) == 8 && offsetof(GaugeHeader, relayRoutine1) == 12 &&
              offsetof(GaugeHeader, finalRoutine) == 36 && offsetof(GaugeHeader, width) == 44);
static_assert(sizeof(HostServiceTable) == 41 * 4 && offsetof(HostServiceTable, elementsRelay1) == 0x60 &&
              offsetof(HostServiceTable, elementsFinal) == 0x7c &&
              offsetof(HostServiceTable, mouseAreasPrepare) == 0x80 &&
              offsetof(HostServiceTable, mouseAreasRelease) == 0x88 &&
              offsetof(HostServiceTable, registerVariable) == 0x98 &&
              offsetof(HostServiceTable, refreshVariable) == 0xa0);
static_assert(sizeof(ElementHeader) == 60 && offsetof(ElementHeader, gauge) == 32 &&
              offsetof(ElementHeader, children) == 40 && offsetof(ElementHeader, conditions) == 44 &&
              offsetof(ElementHeader, drawFlags) == 48);
static_assert(sizeof(ImageElement) == 80 && offsetof(ImageElement, hostField) == 60);
static_assert(sizeof(TextElement) == 312 && offsetof(TextElement, vars) == 60 &&
              offsetof(TextElement, vars) + sizeof(ModuleVariable) + offsetof(ModuleVariable, value) == 100 &&
              offsetof(TextElement, callback) == 180 && offsetof(TextElement, text) == 184 &&
              offsetof(TextElement, width) == 192 && offsetof(TextElement, height) == 196 &&
              offsetof(TextElement, foreColour) == 208 && offsetof(TextElement, backColour) == 216 &&
              offsetof(TextElement, highlightColour) == 224 && offsetof(TextElement, fontName) == 248 &&
              offsetof(TextElement, fontWeight) == 280 && offsetof(TextElement, fontCharset) == 284 &&
              offsetof(TextElement, textFlags) == 288 && offsetof(TextElement, charCount) == 292);
static_assert(sizeof(IconElement) == 136 && offsetof(IconElement, var) == 60 && offsetof(IconElement, callback) == 88 &&
              offsetof(IconElement, selectMode) == 92 && offsetof(IconElement, imageCount) == 112);
static_assert(sizeof(MouseArea) == 44 && offsetof(MouseArea, helpId) == 24 && offsetof(MouseArea, eventMask) == 28 &&
              offsetof(MouseArea, handler) == 36 && offsetof(MouseArea, userData) == 40);
#else
// Wide pointers: same field order, pointers 8 bytes, no padding (docs/records.md).
static_assert(sizeof(ModuleVariable) == 32 && offsetof(ModuleVariable, hostAddress) == 4 &&
              offsetof(ModuleVariable, value) == 16);
static_assert(sizeof(StandaloneVariable) == 32);
static_assert(sizeof(LinkageRecord) == 48 && offsetof(LinkageRecord, moduleInit) == 4 &&
              offsetof(LinkageRecord, moduleDeinit) == 12 && offsetof(LinkageRecord, gauges) == 32);
static_assert(sizeof(ImportTableRecord) == 36 && offsetof(ImportTableRecord, hostData) == 12 &&
              offsetof(ImportTableRecord, end) == 24);
static_assert(sizeof(GaugeHeader) == 124 && offsetof(GaugeHeader, name) == 4 &&
              offsetof(GaugeHeader, elementList) == 12 && offsetof(GaugeHeader, relayRoutine1) == 20 &&
              offsetof(GaugeHeader, finalRoutine) == 68 && offsetof(GaugeHeader, width) == 80);
static_assert(sizeof(HostServiceTable) == 41 * 8 && offsetof(HostServiceTable, elementsRelay1) == 0xc0 &&
              offsetof(HostServiceTable, refreshVariable) == 0x140);
static_assert(sizeof(ElementHeader) == 72 && offsetof(ElementHeader, gauge) == 32 &&
              offsetof(ElementHeader, children) == 44 && offsetof(ElementHeader, conditions) == 52 &&
              offsetof(ElementHeader, drawFlags) == 60);
static_assert(sizeof(ImageElement) == 96 && offsetof(ImageElement, hostField) == 72);
static_assert(sizeof(TextElement) == 344 && offsetof(TextElement, vars) == 72 &&
              offsetof(TextElement, callback) == 204 && offsetof(TextElement, text) == 212 &&
              offsetof(TextElement, width) == 224 && offsetof(TextElement, height) == 228 &&
              offsetof(TextElement, foreColour) == 240 && offsetof(TextElement, backColour) == 248 &&
              offsetof(TextElement, highlightColour) == 256 && offsetof(TextElement, fontName) == 280 &&
              offsetof(TextElement, fontWeight) == 312 && offsetof(TextElement, fontCharset) == 316 &&
              offsetof(TextElement, textFlags) == 320 && offsetof(TextElement, charCount) == 324);
static_assert(sizeof(IconElement) == 156 && offsetof(IconElement, var) == 72 &&
              offsetof(IconElement, callback) == 104 && offsetof(IconElement, selectMode) == 112 &&
              offsetof(IconElement, imageCount) == 132);
static_assert(sizeof(MouseArea) == 48 && offsetof(MouseArea, handler) == 36 && offsetof(MouseArea, userData) == 44);
#endif
