// The exported records, the gauge header and the gauge's lifecycle routines.
#include "module/convert.h"
#include "module/linkage.h"
#include "panel/elements.h"
#include "panel/mouse_areas.h"
#include "readouts/rate.h"
#include "recorder/recorder.h"
#include "recorder/recorder_state.h"
#include "schema/panel_grid.h"

namespace {
constexpr std::uint32_t GAUGE_WIDTH = PANEL_WIDTH;  // the background bitmap's width
constexpr std::size_t HOST_FIELD_OFFSET = 4;

ElementHeader* root() { return gaugeHeader.elementList[0]; }
}  // namespace

constinit GaugeHeader gaugeHeader = {
    .headerTag = HEADER_TAG,
    .name = "ZEK.vorlat",
    .elementList = elementList,
    .relayRoutine1 = relayRoutine1,
    .setupRoutine = setupRoutine,
    .startRoutine = startRoutine,
    .relayRoutine4 = relayRoutine4,
    .relayRoutine5 = relayRoutine5,
    .relayRoutine6 = relayRoutine6,
    .finalRoutine = finalRoutine,
    .width = GAUGE_WIDTH,
};

constinit LinkageRecord Linkage = {
    .moduleTag = MODULE_TAG,
    .moduleInit = moduleInit,
    .moduleDeinit = moduleDeinit,
    .gauges = {&gaugeHeader, nullptr},
};

constinit ImportTableRecord ImportTable = {
    .hostServices = {.id = HOST_SERVICES_IMPORT_ID, .pointer = nullptr},
    .hostData = {.id = HOST_DATA_IMPORT_ID, .pointer = nullptr},
    .end = {.id = 0, .pointer = nullptr},
};

constinit StandaloneVariable boundVariables[5] = {
    {{.id = THROTTLE_VAR_ID}}, {{.id = TICK_VAR_ID}},    {{.id = SPEED_VAR_ID}},
    {{.id = BANK_VAR_ID}},     {{.id = HEADING_VAR_ID}},
};

void moduleInit() {}
void moduleDeinit() {}

void relayRoutine1() { hostServices()->elementsRelay1(root()); }
void relayRoutine4() { hostServices()->elementsRelay4(root()); }
void relayRoutine5(std::uint32_t value) { hostServices()->elementsRelay5(root(), value); }
void relayRoutine6() { hostServices()->elementsRelay6(root()); }

void setupRoutine(std::uint32_t value) {
    HostServiceTable* host = hostServices();
    host->elementsSetup(root(), value);
    for (StandaloneVariable& bound : boundVariables) {
        host->registerVariable(&bound.record);
    }
    // hostField is filled by elementsSetup, so it is read only now.
    auto* hostField = static_cast<char*>(background.hostField);
    host->mouseAreasPrepare(mouseAreas, &gaugeHeader, hostField + HOST_FIELD_OFFSET);
    host->mouseAreasRegister(mouseAreas, &gaugeHeader);
}

void startRoutine() {
    HostServiceTable* host = hostServices();
    host->elementsStart(root());
    host->refreshVariable(&tickVar);
    AccelSampler.lastTick = truncateToInt32(tickVar.value);
    host->refreshVariable(&speedVar);
    AccelSampler.lastSpeed = speedVar.value;
    host->refreshVariable(&bankVar);
    rollSampler.previous = bankVar.value;
    host->refreshVariable(&headingVar);
    turnSampler.previous = headingVar.value;
}

void finalRoutine() {
    recorderShutdown();
    hostServices()->mouseAreasRelease(mouseAreas, &gaugeHeader);
    hostServices()->elementsFinal(root());
}
