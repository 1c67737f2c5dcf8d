// A tiny module for the host's own tests, built in several variants: one that
// loads, and some the host must refuse. relayRoutine5's value selects a breach
// of the host contract, so each violation the host watches for can be provoked.
// Test-only: never installed or shipped.
#include <cstdio>
#include <cstring>

#include "module/linkage.h"

#ifndef FAKE_MODULE_TAG
#define FAKE_MODULE_TAG MODULE_TAG
#endif
#ifndef FAKE_HEADER_TAG
#define FAKE_HEADER_TAG HEADER_TAG
#endif
#ifndef FAKE_NAME
#define FAKE_NAME "ZEK.vorlat"
#endif
#ifndef FAKE_SERVICES_ID
#define FAKE_SERVICES_ID HOST_SERVICES_IMPORT_ID
#endif

// The breaches relayRoutine5 commits on request; other values relay normally.
enum Breach : std::uint32_t {
    CALL_UNUSED_SLOT = 0xB001,
    REFRESH_UNREGISTERED = 0xB002,
    WRITE_40_CHARS = 0xB003,
    WRITE_31_CHARS = 0xB004,  // fits: not a breach
    WRITE_32_CHARS = 0xB005,  // the terminator lands one past the buffer
    MOVE_TEXT_POINTER = 0xB006,
};

namespace {
constexpr std::uint32_t ICON_VAR = 11;
constexpr std::uint32_t TEXT_VAR = 12;
constexpr std::uint32_t PROBE_VAR = THROTTLE_VAR_ID;
constexpr std::uint32_t STRAY_VAR = 9;

std::int32_t presses = 0;  // module state: a private copy starts it at zero
char foreignBuffer[64];

double iconState(ModuleVariable* slot) { return slot->value; }
double counterText(double value);
std::int32_t pressed(std::uint32_t, std::uint32_t) {
    ++presses;
    return 1;
}
}  // namespace

ConditionPair conditionList[2] = {{.key = 1, .action = 3}, {.key = 0, .action = 0}};

// clang-format off
IconElement fakeIcon = {
    .header = {.type = ICON_ELEMENT, .resourceId = 100, .x = 1, .y = 2, .gauge = &gaugeHeader,
               .conditions = conditionList, .drawFlags = 3},
    .var = {.id = ICON_VAR},
    .callback = iconState,
    .selectMode = 3,
    .imageCount = 2,
};
TextElement fakeText = {
    .header = {.type = TEXT_ELEMENT, .resourceId = -1, .x = 10, .y = 20, .gauge = &gaugeHeader,
               .conditions = conditionList, .drawFlags = 6},
    .vars = {{.id = TEXT_VAR}, {.id = 0}, {.id = 0}},
    .callback = counterText,
    .width = 30,
    .height = 11,
    .foreColour = 0x00FF00,
    .fontName = "Courier New",
    .charCount = 5,
};
TextElement silentText = {
    .header = {.type = TEXT_ELEMENT, .resourceId = -1, .x = 50, .y = 20, .gauge = &gaugeHeader, .drawFlags = 6},
    .vars = {{.id = TEXT_VAR}, {.id = 0}, {.id = 0}},
    .callback = nullptr,
    .width = 30,
    .height = 11,
};
ElementHeader* fakeChildren[] = {&fakeIcon.header, &fakeText.header, &silentText.header, nullptr};
ImageElement fakeRoot = {
    .header = {.type = IMAGE_ELEMENT, .resourceId = 4096, .gauge = &gaugeHeader, .children = fakeChildren,
               .drawFlags = 1},
};
ElementHeader* fakeElementList[2] = {&fakeRoot.header, nullptr};

MouseArea fakeAreas[] = {
    {.kind = AREA_BEGIN_GROUP, .cursor = -1},
    {.kind = AREA_BEGIN_GROUP, .x = 10, .y = 10, .width = 20, .height = 10, .cursor = -1, .helpId = 0x100},
    {.kind = AREA_BEGIN_GROUP, .x = 12, .y = 12, .width = 5, .height = 5, .cursor = -1, .helpId = 0x200},
    {.kind = AREA_END_GROUP, .cursor = -1},
    {.kind = AREA_END_GROUP, .cursor = -1},
    {.kind = AREA_ACTIVE, .x = 40, .y = 0, .width = 10, .height = 10, .cursor = 5, .eventMask = 0x20000000,
     .handler = pressed},
    {.kind = AREA_ACTIVE, .x = 60, .y = 0, .width = 10, .height = 10, .cursor = 5, .eventMask = 0x10000000,
     .handler = pressed},
    {.kind = AREA_ACTIVE, .x = 80, .y = 0, .width = 10, .height = 10, .cursor = 5, .eventMask = 0x20000000},
    {.kind = AREA_END_GROUP, .cursor = -1},
    {.kind = AREA_END, .cursor = -1},
};
// clang-format on

GaugeHeader gaugeHeader = {
    .headerTag = FAKE_HEADER_TAG,
    .name = FAKE_NAME,
    .elementList = fakeElementList,
    .relayRoutine1 = relayRoutine1,
    .setupRoutine = setupRoutine,
    .startRoutine = startRoutine,
    .relayRoutine4 = relayRoutine4,
    .relayRoutine5 = relayRoutine5,
    .relayRoutine6 = relayRoutine6,
    .finalRoutine = finalRoutine,
    .width = 100,
};

#ifndef FAKE_NO_LINKAGE
LinkageRecord Linkage = {
    .moduleTag = FAKE_MODULE_TAG,
    .moduleInit = moduleInit,
    .moduleDeinit = moduleDeinit,
    .gauges = {&gaugeHeader, nullptr},
};
#endif

ImportTableRecord ImportTable = {
    .hostServices = {.id = FAKE_SERVICES_ID},
    .hostData = {.id = HOST_DATA_IMPORT_ID},
    .end = {},
};

StandaloneVariable boundVariables[5] = {{{.id = PROBE_VAR}}, {{.id = STRAY_VAR}}, {}, {}, {}};

namespace {
double counterText(double value) {
    std::snprintf(fakeText.text, 6, "n=%d", static_cast<int>(presses));
    return value * 2;
}
void writeChars(std::size_t count) {
    std::memset(fakeText.text, 'x', count);
    fakeText.text[count] = '\0';
}
}  // namespace

void moduleInit() {}
void moduleDeinit() {}
void relayRoutine1() { hostServices()->elementsRelay1(&fakeRoot.header); }
void relayRoutine4() { hostServices()->elementsRelay4(&fakeRoot.header); }
void relayRoutine6() { hostServices()->elementsRelay6(&fakeRoot.header); }

void setupRoutine(std::uint32_t value) {
    HostServiceTable* host = hostServices();
    host->elementsSetup(&fakeRoot.header, value);
    host->registerVariable(&boundVariables[0].record);
    host->mouseAreasPrepare(fakeAreas, &gaugeHeader, static_cast<char*>(fakeRoot.hostField) + 4);
    host->mouseAreasRegister(fakeAreas, &gaugeHeader);
}

void startRoutine() {
    hostServices()->elementsStart(&fakeRoot.header);
    hostServices()->refreshVariable(&boundVariables[0].record);
}

void finalRoutine() {
    hostServices()->mouseAreasRelease(fakeAreas, &gaugeHeader);
    hostServices()->elementsFinal(&fakeRoot.header);
}

void relayRoutine5(std::uint32_t value) {
    switch (value) {
        case CALL_UNUSED_SLOT: reinterpret_cast<void (*)()>(hostServices()->unusedSlots0to23[7])(); break;
        case REFRESH_UNREGISTERED: hostServices()->refreshVariable(&boundVariables[1].record); break;
        case WRITE_40_CHARS: writeChars(40); break;
        case WRITE_31_CHARS: writeChars(31); break;
        case WRITE_32_CHARS: writeChars(32); break;
        case MOVE_TEXT_POINTER: fakeText.text = foreignBuffer; break;
        default: hostServices()->elementsRelay5(&fakeRoot.header, value);
    }
}
