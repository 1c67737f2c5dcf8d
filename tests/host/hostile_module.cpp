// Gauge modules that load but whose records break the host's rules, one variant
// per define, for hostile_module_test.cpp: a record or routine pointer that
// leads outside the module, a gauge name full of terminal control bytes. Test-only: never
// installed or shipped.
#include <cstdint>

#include "module/linkage.h"

namespace {

#ifdef HOSTILE_NAME_WITH_CONTROL_BYTES
constexpr char GAUGE_NAME[] = "ZEK\x1b[2J\x07vorlat";  // clears a terminal and rings its bell
#else
constexpr char GAUGE_NAME[] = "ZEK.vorlat";
#endif

// An address no module's image holds: the first pages of the address space.
template <class T>
T* outsideTheModule(std::uintptr_t address) {
    return reinterpret_cast<T*>(address);
}

void routine() {}
void routineWithValue(std::uint32_t) {}

}  // namespace

#ifdef HOSTILE_CHILDREN_OUTSIDE
ImageElement root = {.header = {.type = IMAGE_ELEMENT, .children = outsideTheModule<ElementHeader*>(0x2000)}};
#else
ImageElement root = {.header = {.type = IMAGE_ELEMENT}};
#endif
ElementHeader* elementList[2] = {&root.header, nullptr};

GaugeHeader gaugeHeader = {
    .headerTag = HEADER_TAG,
    .name = GAUGE_NAME,
    .elementList = elementList,
    .relayRoutine1 = routine,
#ifdef HOSTILE_ROUTINE_OUTSIDE
    .setupRoutine = outsideTheModule<void(std::uint32_t)>(0x3000),
#else
    .setupRoutine = routineWithValue,
#endif
    .startRoutine = routine,
    .relayRoutine4 = routine,
    .relayRoutine5 = routineWithValue,
    .relayRoutine6 = routine,
    .finalRoutine = routine,
    .width = 100,
};

#ifdef HOSTILE_HEADER_OUTSIDE
LinkageRecord Linkage = {.moduleTag = MODULE_TAG, .gauges = {outsideTheModule<GaugeHeader>(0x1000), nullptr}};
#else
LinkageRecord Linkage = {.moduleTag = MODULE_TAG, .gauges = {&gaugeHeader, nullptr}};
#endif

ImportTableRecord ImportTable = {
    .hostServices = {.id = HOST_SERVICES_IMPORT_ID},
    .hostData = {.id = HOST_DATA_IMPORT_ID},
    .end = {},
};
