// The service table the host lends the module, and the contract checks behind
// it: each service records its call and checks its arguments; every slot the
// module has no business calling traps with its own number.
#include <cstdio>
#include <utility>

#include "host/host_state.h"

namespace vorlat {

using detail::bytesOf;
using detail::hex;
using detail::R;
using detail::readAt;
using detail::word;
using detail::writeAt;

namespace {

// The host whose call into the module is under way.
thread_local Host::State* activeHost = nullptr;

Host::State* serviceHost(int slot) {
    if (activeHost == nullptr) {
        std::fprintf(stderr, "vorlat host: contract violation: host service %d (%s) called outside any host call\n",
                     slot, serviceName(slot));
    }
    return activeHost;
}

Host::State* record(Service service, std::vector<std::uintptr_t> args, std::uint32_t variableId = 0) {
    const int slot = static_cast<int>(service);
    Host::State* host = serviceHost(slot);
    if (host != nullptr) {
        host->calls.push_back({.slot = slot, .args = std::move(args), .variableId = variableId});
    }
    return host;
}

void elementsRelay1(ElementHeader* element) {
    std::byte* root = bytesOf(element);
    if (auto* host = record(Service::ElementsRelay1, {word(root)})) host->checkRoot("elementsRelay1", word(root));
}
void elementsSetup(ElementHeader* element, std::uint32_t value) {
    std::byte* root = bytesOf(element);
    auto* host = record(Service::ElementsSetup, {word(root), value});
    if (host == nullptr) {
        return;
    }
    host->checkRoot("elementsSetup", word(root));
    writeAt(host->root, R.image.hostField, word(host->hostFieldStorage.data()));
    for (std::size_t i = 0; i < host->children.size(); ++i) {
        if (host->texts[i]) {
            writeAt(host->children[i], R.text.text, word(host->texts[i]->bytes.data()));
        }
    }
    host->elementsReady = true;
}
void elementsStart(ElementHeader* element) {
    std::byte* root = bytesOf(element);
    if (auto* host = record(Service::ElementsStart, {word(root)})) host->checkRoot("elementsStart", word(root));
}
void elementsRelay4(ElementHeader* element) {
    std::byte* root = bytesOf(element);
    if (auto* host = record(Service::ElementsRelay4, {word(root)})) host->checkRoot("elementsRelay4", word(root));
}
void elementsRelay5(ElementHeader* element, std::uint32_t value) {
    std::byte* root = bytesOf(element);
    if (auto* host = record(Service::ElementsRelay5, {word(root), value})) {
        host->checkRoot("elementsRelay5", word(root));
    }
}
void elementsRelay6(ElementHeader* element) {
    std::byte* root = bytesOf(element);
    if (auto* host = record(Service::ElementsRelay6, {word(root)})) host->checkRoot("elementsRelay6", word(root));
}
void elementsFinal(ElementHeader* element) {
    std::byte* root = bytesOf(element);
    if (auto* host = record(Service::ElementsFinal, {word(root)})) {
        host->checkRoot("elementsFinal", word(root));
        host->elementsReady = false;
    }
}
void mouseAreasPrepare(MouseArea* areaRecords, GaugeHeader* gaugeRecord, void* hostFieldPlus4) {
    std::byte* areas = bytesOf(areaRecords);
    std::byte* gauge = bytesOf(gaugeRecord);
    auto* host = record(Service::MouseAreasPrepare, {word(areas), word(gauge), word(hostFieldPlus4)});
    if (host == nullptr) {
        return;
    }
    host->checkGauge("mouseAreasPrepare", word(gauge));
    const std::uintptr_t expected = word(host->hostFieldStorage.data()) + 4;
    if (word(hostFieldPlus4) != expected) {
        host->violation("mouseAreasPrepare's third argument is " + hex(word(hostFieldPlus4)) +
                        ", not the root's hostField plus 4 (" + hex(expected) + ")");
    }
}
void mouseAreasRegister(MouseArea* areaRecords, GaugeHeader* gaugeRecord) {
    std::byte* areas = bytesOf(areaRecords);
    std::byte* gauge = bytesOf(gaugeRecord);
    auto* host = record(Service::MouseAreasRegister, {word(areas), word(gauge)});
    if (host == nullptr) {
        return;
    }
    host->checkGauge("mouseAreasRegister", word(gauge));
    std::vector<std::string> problems;
    host->readAreas(areas, &problems);
    for (const auto& problem : problems) {
        host->violation("mouse areas: " + problem);
    }
    host->mouseAreas = areas;
}
void mouseAreasRelease(MouseArea* areaRecords, GaugeHeader* gaugeRecord) {
    std::byte* areas = bytesOf(areaRecords);
    std::byte* gauge = bytesOf(gaugeRecord);
    auto* host = record(Service::MouseAreasRelease, {word(areas), word(gauge)});
    if (host == nullptr) {
        return;
    }
    host->checkGauge("mouseAreasRelease", word(gauge));
    if (areas != host->mouseAreas) {
        host->violation("mouseAreasRelease of " + hex(word(areas)) + ", not the registered list " +
                        hex(word(host->mouseAreas)));
    }
    host->mouseAreas = nullptr;
}
void registerVariable(ModuleVariable* variableRecord) {
    std::byte* variable = bytesOf(variableRecord);
    const auto id = readAt<std::uint32_t>(variable, R.variable.id);
    if (auto* host = record(Service::RegisterVariable, {word(variable)}, id)) {
        host->registered.insert(variable);
    }
}
void refreshVariable(ModuleVariable* variableRecord) {
    std::byte* variable = bytesOf(variableRecord);
    const auto id = readAt<std::uint32_t>(variable, R.variable.id);
    auto* host = record(Service::RefreshVariable, {word(variable)}, id);
    if (host == nullptr) {
        return;
    }
    if (host->registered.count(variable) == 0) {
        host->violation("refreshVariable on variable " + std::to_string(id) + " (record " + hex(word(variable)) +
                        ") that was never registered");
    }
    host->fillSlot(variable);
}

template <int SLOT>
void unusedService() {
    Host::State* host = serviceHost(SLOT);
    if (host != nullptr) {
        host->calls.push_back({.slot = SLOT, .args = {}});
        host->violation("module called unused host service slot " + std::to_string(SLOT));
    }
}
template <std::size_t... SLOTS>
constexpr std::array<std::uintptr_t, sizeof...(SLOTS)> unusedServices(std::index_sequence<SLOTS...>) {
    return {reinterpret_cast<std::uintptr_t>(&unusedService<int(SLOTS)>)...};
}

// A service as its slot holds it. The slot's type is spelled out: a service
// whose type differs from its slot's does not compile, instead of being called
// through a pointer of another type.
template <class Slot>
std::uintptr_t serviceWord(Slot service) {
    return reinterpret_cast<std::uintptr_t>(service);
}

}  // namespace

namespace detail {

std::array<std::uintptr_t, SERVICE_SLOTS> serviceTable() {
    auto table = unusedServices(std::make_index_sequence<SERVICE_SLOTS>());
    const auto slot = [&table](Service service) -> std::uintptr_t& { return table[std::size_t(service)]; };
    slot(Service::ElementsRelay1) = serviceWord<ElementService>(&elementsRelay1);
    slot(Service::ElementsSetup) = serviceWord<ElementServiceWithValue>(&elementsSetup);
    slot(Service::ElementsStart) = serviceWord<ElementService>(&elementsStart);
    slot(Service::ElementsRelay4) = serviceWord<ElementService>(&elementsRelay4);
    slot(Service::ElementsRelay5) = serviceWord<ElementServiceWithValue>(&elementsRelay5);
    slot(Service::ElementsRelay6) = serviceWord<ElementService>(&elementsRelay6);
    slot(Service::ElementsFinal) = serviceWord<ElementService>(&elementsFinal);
    slot(Service::MouseAreasPrepare) = serviceWord<MouseAreasPrepareService>(&mouseAreasPrepare);
    slot(Service::MouseAreasRegister) = serviceWord<MouseAreasService>(&mouseAreasRegister);
    slot(Service::MouseAreasRelease) = serviceWord<MouseAreasService>(&mouseAreasRelease);
    slot(Service::RegisterVariable) = serviceWord<VariableService>(&registerVariable);
    slot(Service::RefreshVariable) = serviceWord<VariableService>(&refreshVariable);
    return table;
}

ActiveHost::ActiveHost(Host::State& state) : previous_(activeHost) { activeHost = &state; }
ActiveHost::~ActiveHost() { activeHost = previous_; }

}  // namespace detail

const char* serviceName(int slot) {
    switch (static_cast<Service>(slot)) {
        case Service::ElementsRelay1: return "elementsRelay1";
        case Service::ElementsSetup: return "elementsSetup";
        case Service::ElementsStart: return "elementsStart";
        case Service::ElementsRelay4: return "elementsRelay4";
        case Service::ElementsRelay5: return "elementsRelay5";
        case Service::ElementsRelay6: return "elementsRelay6";
        case Service::ElementsFinal: return "elementsFinal";
        case Service::MouseAreasPrepare: return "mouseAreasPrepare";
        case Service::MouseAreasRegister: return "mouseAreasRegister";
        case Service::MouseAreasRelease: return "mouseAreasRelease";
        case Service::RegisterVariable: return "registerVariable";
        case Service::RefreshVariable: return "refreshVariable";
    }
    return "unused";
}

// Value and host address of one variable slot, as refreshVariable promises them.
void Host::State::fillSlot(std::byte* slot) {
    const auto id = readAt<std::uint32_t>(slot, R.variable.id);
    if (id == 0) {
        return;
    }
    double& value = variables[id];
    writeAt(slot, R.variable.value, value);
    writeAt(slot, R.variable.hostAddress, id == gauge::THROTTLE.index ? word(&throttleWord) : word(&value));
}

void Host::State::checkRoot(const char* service, std::uintptr_t element) {
    if (element != word(root)) {
        violation(std::string(service) + " called with " + hex(element) + ", not the root element " + hex(word(root)));
    }
}
void Host::State::checkGauge(const char* service, std::uintptr_t gauge) {
    if (gauge != word(header)) {
        violation(std::string(service) + " called with gauge " + hex(gauge) + ", not the gauge header " +
                  hex(word(header)));
    }
}

// One text buffer and its pointer intact.
void Host::State::checkText(std::size_t i) {
    detail::GuardedText* text = texts[i].get();
    if (text == nullptr) {
        return;
    }
    if (!text->guardIntact()) {
        violation("text element " + std::to_string(i) + " wrote past its " + std::to_string(TEXT_BUFFER_SIZE) +
                  "-byte text buffer");
        text->restoreGuard();
    }
    if (elementsReady && detail::pointerAt(children[i], R.text.text) != word(text->bytes.data())) {
        violation("text element " + std::to_string(i) + " had its text pointer changed by the module");
        writeAt(children[i], R.text.text, word(text->bytes.data()));
    }
}
// After a routine, and at the end of each panel update: every buffer intact.
void Host::State::checkTexts() {
    for (std::size_t i = 0; i < children.size(); ++i) checkText(i);
}

}  // namespace vorlat
