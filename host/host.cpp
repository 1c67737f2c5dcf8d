// The stand-in host. It reads the module's records through the offsets table of
// host/layout.h only, lends the module a service table whose unused slots trap,
// and keeps what the module did for tests and tools to inspect.
#include "host/host.h"

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <utility>

#include "host/layout.h"
#include "host/loader.h"

namespace vorlat {

namespace {

const layout::Records& R = layout::RECORDS;
static_assert(sizeof(std::uintptr_t) == sizeof(void*));

// How the module's routines are called: the platform's default C convention.
using Routine = void (*)();
using RoutineWithValue = void (*)(std::uint32_t value);
using ReadoutCallback = double (*)(double value);
using IconCallback = double (*)(std::byte* slot);
using MouseHandler = std::int32_t (*)(std::uint32_t hostValue, std::uint32_t eventWord);

constexpr std::uint32_t MODULE_TAG = 0x13;
constexpr std::uint32_t HEADER_TAG = 0x262;
constexpr const char* GAUGE_NAME = "ZEK.vorlat";
constexpr std::uint32_t SERVICES_IMPORT_ID = 0x0F;
constexpr std::uint32_t DATA_IMPORT_ID = 2;
constexpr std::uint32_t THROTTLE_VARIABLE = 127;

constexpr int IMAGE_KIND = 0;
constexpr int TEXT_KIND = 2;
constexpr int ICON_KIND = 4;
constexpr std::uint32_t AREA_END = 0;
constexpr std::uint32_t AREA_BEGIN_GROUP = 1;
constexpr std::uint32_t AREA_ACTIVE = 2;
constexpr std::uint32_t AREA_END_GROUP = 3;

constexpr std::size_t SERVICE_SLOTS = 64;  // the module may use 41; the rest trap as well
constexpr std::size_t DATA_WORDS = 256;    // the module reads words 174 and 175
constexpr std::size_t HOST_FIELD_SIZE = 16;
constexpr std::size_t TEXT_GUARD_SIZE = 32;
constexpr std::uint8_t TEXT_GUARD_BYTE = 0xA5;

// Walk limits: a list without its terminator is refused, not followed forever.
constexpr std::size_t MAX_CHILDREN = 1024;
constexpr std::size_t MAX_IMPORT_ENTRIES = 64;
constexpr std::size_t MAX_CONDITIONS = 64;
constexpr std::size_t MAX_MOUSE_AREAS = 4096;
constexpr std::size_t MAX_NAME = 256;

constexpr const char* ROUTINE_NAMES[layout::ROUTINE_COUNT] = {
    "relayRoutine1", "setupRoutine", "startRoutine", "relayRoutine4", "relayRoutine5", "relayRoutine6",
    "finalRoutine"};
enum RoutineIndex { RELAY1, SETUP, START, RELAY4, RELAY5, RELAY6, FINAL };

template <class T>
T readAt(const std::byte* record, std::size_t offset) {
    T value;
    std::memcpy(&value, record + offset, sizeof value);
    return value;
}
template <class T>
void writeAt(std::byte* record, std::size_t offset, T value) {
    std::memcpy(record + offset, &value, sizeof value);
}
std::uintptr_t pointerAt(const std::byte* record, std::size_t offset) {
    return readAt<std::uintptr_t>(record, offset);
}
std::byte* recordAt(const std::byte* record, std::size_t offset) {
    return reinterpret_cast<std::byte*>(pointerAt(record, offset));
}
std::uintptr_t word(const void* pointer) { return reinterpret_cast<std::uintptr_t>(pointer); }

std::string hex(std::uintptr_t value) {
    char text[2 + 2 * sizeof value + 1];
    std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(value));
    return text;
}

bool boxContains(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height, int x, int y) {
    return std::int64_t(x) >= left && std::int64_t(x) < std::int64_t(left) + width && std::int64_t(y) >= top &&
           std::int64_t(y) < std::int64_t(top) + height;
}

// The host's text buffer of one element, with guard bytes behind it.
struct GuardedText {
    std::array<char, TEXT_BUFFER_SIZE + TEXT_GUARD_SIZE> bytes{};
    GuardedText() { restoreGuard(); }
    void restoreGuard() { std::memset(bytes.data() + TEXT_BUFFER_SIZE, TEXT_GUARD_BYTE, TEXT_GUARD_SIZE); }
    bool guardIntact() const {
        for (std::size_t i = TEXT_BUFFER_SIZE; i < bytes.size(); ++i) {
            if (static_cast<std::uint8_t>(bytes[i]) != TEXT_GUARD_BYTE) {
                return false;
            }
        }
        return true;
    }
    std::string text() const { return {bytes.data(), strnlen(bytes.data(), TEXT_BUFFER_SIZE)}; }
};

struct ChildResult {
    int shownImage = -1;
    double lastResult = std::numeric_limits<double>::quiet_NaN();
    bool called = false;
};

std::filesystem::path privateCopyOf(const std::filesystem::path& file) {
    static std::atomic<unsigned> copies{0};
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const auto name = std::filesystem::temp_directory_path() /
                          ("vorlat-" + hex(random()) + "-" + std::to_string(copies++) + "-" +
                           file.filename().string());
        std::error_code error;
        if (std::filesystem::copy_file(file, name, std::filesystem::copy_options::none, error)) {
            return name;
        }
        if (error != std::errc::file_exists) {
            throw LoadError(file.string() + ": cannot make a private copy at " + name.string() + " (" +
                            error.message() + ")");
        }
    }
    throw LoadError(file.string() + ": cannot find a free name for a private copy");
}

}  // namespace

struct Host::State {
    HostOptions options;
    std::filesystem::path copyPath;  // the private copy still to delete, if any
    std::unique_ptr<ModuleLibrary> library;

    std::byte* linkage = nullptr;
    std::byte* importTable = nullptr;
    std::byte* header = nullptr;
    std::byte* root = nullptr;
    std::vector<std::byte*> children;

    std::array<std::uintptr_t, SERVICE_SLOTS> services{};
    std::array<std::int32_t, DATA_WORDS> data{};
    std::map<std::uint32_t, double> variables;  // map nodes stay put: their addresses are lent out
    std::int16_t throttleWord = 0;
    std::set<const std::byte*> registered;
    alignas(8) std::array<std::byte, HOST_FIELD_SIZE> hostFieldStorage{};
    std::vector<std::unique_ptr<GuardedText>> texts;  // per child; null for icons
    std::vector<ChildResult> results;
    bool elementsReady = false;
    std::byte* mouseAreas = nullptr;

    std::vector<ServiceCall> calls;
    std::vector<std::string> violations;

    void violation(const std::string& what) {
        std::fprintf(stderr, "vorlat host: contract violation: %s\n", what.c_str());
        violations.push_back(what);
    }
    void requireLoaded(const char* what) const {
        if (!library) {
            throw std::logic_error(std::string(what) + ": the module is not loaded");
        }
    }

    std::byte* routine(int index) const {
        return recordAt(header, R.gaugeHeader.routines + std::size_t(index) * R.pointerSize);
    }
    int kindOf(const std::byte* element) const { return readAt<std::int32_t>(element, R.element.type); }

    // Value and host address of one variable slot, as refreshVariable promises them.
    void fillSlot(std::byte* slot) {
        const auto id = readAt<std::uint32_t>(slot, R.variable.id);
        if (id == 0) {
            return;
        }
        double& value = variables[id];
        writeAt(slot, R.variable.value, value);
        writeAt(slot, R.variable.hostAddress, id == THROTTLE_VARIABLE ? word(&throttleWord) : word(&value));
    }

    void checkRoot(const char* service, std::uintptr_t element) {
        if (element != word(root)) {
            violation(std::string(service) + " called with " + hex(element) + ", not the root element " +
                      hex(word(root)));
        }
    }
    void checkGauge(const char* service, std::uintptr_t gauge) {
        if (gauge != word(header)) {
            violation(std::string(service) + " called with gauge " + hex(gauge) + ", not the gauge header " +
                      hex(word(header)));
        }
    }

    // One text buffer and its pointer intact.
    void checkText(std::size_t i) {
        GuardedText* text = texts[i].get();
        if (text == nullptr) {
            return;
        }
        if (!text->guardIntact()) {
            violation("text element " + std::to_string(i) + " wrote past its " + std::to_string(TEXT_BUFFER_SIZE) +
                      "-byte text buffer");
            text->restoreGuard();
        }
        if (elementsReady && pointerAt(children[i], R.text.text) != word(text->bytes.data())) {
            violation("text element " + std::to_string(i) + " had its text pointer changed by the module");
            writeAt(children[i], R.text.text, word(text->bytes.data()));
        }
    }
    // After a routine, and at the end of each panel update: every buffer intact.
    void checkTexts() {
        for (std::size_t i = 0; i < children.size(); ++i) checkText(i);
    }

    std::vector<MouseAreaView> readAreas(const std::byte* list, std::vector<std::string>* problems) const;
    ElementView view(const std::byte* element, std::size_t childIndex) const;
    void load();
};

namespace {

// The host whose call into the module is under way: services are plain
// function pointers and reach their host through this.
thread_local Host::State* activeHost = nullptr;

class ActiveHost {
public:
    explicit ActiveHost(Host::State& state) : previous_(activeHost) { activeHost = &state; }
    ~ActiveHost() { activeHost = previous_; }
    ActiveHost(const ActiveHost&) = delete;
    ActiveHost& operator=(const ActiveHost&) = delete;

private:
    Host::State* previous_;
};

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

void elementsRelay1(std::byte* root) {
    if (auto* host = record(Service::ElementsRelay1, {word(root)})) host->checkRoot("elementsRelay1", word(root));
}
void elementsSetup(std::byte* root, std::uint32_t value) {
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
void elementsStart(std::byte* root) {
    if (auto* host = record(Service::ElementsStart, {word(root)})) host->checkRoot("elementsStart", word(root));
}
void elementsRelay4(std::byte* root) {
    if (auto* host = record(Service::ElementsRelay4, {word(root)})) host->checkRoot("elementsRelay4", word(root));
}
void elementsRelay5(std::byte* root, std::uint32_t value) {
    if (auto* host = record(Service::ElementsRelay5, {word(root), value})) {
        host->checkRoot("elementsRelay5", word(root));
    }
}
void elementsRelay6(std::byte* root) {
    if (auto* host = record(Service::ElementsRelay6, {word(root)})) host->checkRoot("elementsRelay6", word(root));
}
void elementsFinal(std::byte* root) {
    if (auto* host = record(Service::ElementsFinal, {word(root)})) {
        host->checkRoot("elementsFinal", word(root));
        host->elementsReady = false;
    }
}
void mouseAreasPrepare(std::byte* areas, std::byte* gauge, std::byte* hostFieldPlus4) {
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
void mouseAreasRegister(std::byte* areas, std::byte* gauge) {
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
void mouseAreasRelease(std::byte* areas, std::byte* gauge) {
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
void registerVariable(std::byte* variable) {
    const auto id = readAt<std::uint32_t>(variable, R.variable.id);
    if (auto* host = record(Service::RegisterVariable, {word(variable)}, id)) {
        host->registered.insert(variable);
    }
}
void refreshVariable(std::byte* variable) {
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

// Every slot the module has no business calling traps with its own number.
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

std::array<std::uintptr_t, SERVICE_SLOTS> serviceTable() {
    auto table = unusedServices(std::make_index_sequence<SERVICE_SLOTS>());
    const auto slot = [&table](Service service) -> std::uintptr_t& { return table[std::size_t(service)]; };
    slot(Service::ElementsRelay1) = reinterpret_cast<std::uintptr_t>(&elementsRelay1);
    slot(Service::ElementsSetup) = reinterpret_cast<std::uintptr_t>(&elementsSetup);
    slot(Service::ElementsStart) = reinterpret_cast<std::uintptr_t>(&elementsStart);
    slot(Service::ElementsRelay4) = reinterpret_cast<std::uintptr_t>(&elementsRelay4);
    slot(Service::ElementsRelay5) = reinterpret_cast<std::uintptr_t>(&elementsRelay5);
    slot(Service::ElementsRelay6) = reinterpret_cast<std::uintptr_t>(&elementsRelay6);
    slot(Service::ElementsFinal) = reinterpret_cast<std::uintptr_t>(&elementsFinal);
    slot(Service::MouseAreasPrepare) = reinterpret_cast<std::uintptr_t>(&mouseAreasPrepare);
    slot(Service::MouseAreasRegister) = reinterpret_cast<std::uintptr_t>(&mouseAreasRegister);
    slot(Service::MouseAreasRelease) = reinterpret_cast<std::uintptr_t>(&mouseAreasRelease);
    slot(Service::RegisterVariable) = reinterpret_cast<std::uintptr_t>(&registerVariable);
    slot(Service::RefreshVariable) = reinterpret_cast<std::uintptr_t>(&refreshVariable);
    return table;
}

}  // namespace

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

// Finds and checks the records, fills ImportTable and lends the text buffers.
void Host::State::load() {
    const std::string file = options.modulePath;
    const auto refuse = [&file](const std::string& why) { throw LoadError(file + ": " + why); };
    linkage = static_cast<std::byte*>(library->record("Linkage"));
    if (linkage == nullptr) refuse("exports no record \"Linkage\"");
    importTable = static_cast<std::byte*>(library->record("ImportTable"));
    if (importTable == nullptr) refuse("exports no record \"ImportTable\"");

    const auto moduleTag = readAt<std::uint32_t>(linkage, R.linkage.moduleTag);
    if (moduleTag != MODULE_TAG) refuse("Linkage moduleTag is " + hex(moduleTag) + ", expected 0x13");
    header = recordAt(linkage, R.linkage.gauges);
    if (header == nullptr) refuse("Linkage gauge list is empty");
    if (pointerAt(linkage, R.linkage.gauges + R.pointerSize) != 0) {
        refuse("Linkage gauge list holds more than one gauge");
    }
    const auto headerTag = readAt<std::uint32_t>(header, R.gaugeHeader.headerTag);
    if (headerTag != HEADER_TAG) refuse("GaugeHeader headerTag is " + hex(headerTag) + ", expected 0x262");
    const auto* name = reinterpret_cast<const char*>(pointerAt(header, R.gaugeHeader.name));
    if (name == nullptr) refuse("GaugeHeader has no name");
    const std::string gaugeName(name, strnlen(name, MAX_NAME));
    if (gaugeName != GAUGE_NAME) refuse("gauge name is \"" + gaugeName + "\", expected \"ZEK.vorlat\"");

    const std::byte* elementList = recordAt(header, R.gaugeHeader.elementList);
    if (elementList == nullptr) refuse("GaugeHeader has no element list");
    root = recordAt(elementList, 0);
    if (root == nullptr) refuse("the element list is empty");
    if (pointerAt(elementList, R.pointerSize) != 0) refuse("the element list holds more than one root element");
    if (kindOf(root) != IMAGE_KIND) {
        refuse("the root element is of kind " + std::to_string(kindOf(root)) + ", not an image");
    }
    if (const std::byte* childList = recordAt(root, R.element.children)) {
        for (std::size_t i = 0;; ++i) {
            if (i == MAX_CHILDREN) {
                refuse("the child list has no end within " + std::to_string(MAX_CHILDREN) + " entries");
            }
            std::byte* child = recordAt(childList, i * R.pointerSize);
            if (child == nullptr) break;
            const int kind = kindOf(child);
            if (kind != IMAGE_KIND && kind != TEXT_KIND && kind != ICON_KIND) {
                refuse("child " + std::to_string(i) + " is of unknown kind " + std::to_string(kind));
            }
            children.push_back(child);
        }
    }

    std::byte* servicesEntry = nullptr;
    std::byte* dataEntry = nullptr;
    for (std::size_t i = 0;; ++i) {
        if (i == MAX_IMPORT_ENTRIES) refuse("ImportTable has no end entry");
        std::byte* entry = importTable + i * R.importEntry.size;
        const auto id = readAt<std::uint32_t>(entry, R.importEntry.id);
        if (id == 0) break;
        if (id == SERVICES_IMPORT_ID && servicesEntry == nullptr) servicesEntry = entry;
        if (id == DATA_IMPORT_ID && dataEntry == nullptr) dataEntry = entry;
    }
    if (servicesEntry == nullptr) refuse("ImportTable has no entry 0x0F for the host services");
    if (dataEntry == nullptr) refuse("ImportTable has no entry 2 for the host data block");
    services = serviceTable();
    writeAt(servicesEntry, R.importEntry.pointer, word(services.data()));
    writeAt(dataEntry, R.importEntry.pointer, word(data.data()));

    results.resize(children.size());
    for (std::byte* child : children) {
        texts.push_back(kindOf(child) == TEXT_KIND ? std::make_unique<GuardedText>() : nullptr);
    }
}

std::vector<MouseAreaView> Host::State::readAreas(const std::byte* list, std::vector<std::string>* problems) const {
    std::vector<MouseAreaView> areas;
    if (list == nullptr) {
        if (problems) problems->push_back("the list is null");
        return areas;
    }
    int depth = 0;
    for (std::size_t i = 0; i < MAX_MOUSE_AREAS; ++i) {
        const std::byte* area = list + i * R.mouseArea.size;
        MouseAreaView view{
            .kind = readAt<std::uint32_t>(area, R.mouseArea.kind),
            .x = readAt<std::int32_t>(area, R.mouseArea.x),
            .y = readAt<std::int32_t>(area, R.mouseArea.y),
            .width = readAt<std::int32_t>(area, R.mouseArea.width),
            .height = readAt<std::int32_t>(area, R.mouseArea.height),
            .cursor = readAt<std::int32_t>(area, R.mouseArea.cursor),
            .helpId = readAt<std::uint32_t>(area, R.mouseArea.helpId),
            .eventMask = readAt<std::uint32_t>(area, R.mouseArea.eventMask),
            .eventId = readAt<std::uint32_t>(area, R.mouseArea.eventId),
            .userData = readAt<std::uint32_t>(area, R.mouseArea.userData),
            .hasHandler = pointerAt(area, R.mouseArea.handler) != 0,
        };
        // A group's own records stand at the depth around it; its members one deeper.
        if (view.kind == AREA_END_GROUP) {
            if (depth == 0 && problems) problems->push_back("record " + std::to_string(i) + " closes no open group");
            depth = depth > 0 ? depth - 1 : 0;
        }
        view.depth = depth;
        if (view.kind == AREA_BEGIN_GROUP) ++depth;
        if (view.kind > AREA_END_GROUP && problems) {
            problems->push_back("record " + std::to_string(i) + " is of unknown kind " + std::to_string(view.kind));
        }
        areas.push_back(view);
        if (view.kind == AREA_END) {
            if (depth != 0 && problems) problems->push_back(std::to_string(depth) + " group(s) left open at the end");
            return areas;
        }
    }
    if (problems) problems->push_back("no end record within " + std::to_string(MAX_MOUSE_AREAS) + " records");
    return areas;
}

ElementView Host::State::view(const std::byte* element, std::size_t childIndex) const {
    ElementView v;
    v.kind = kindOf(element);
    v.child = childIndex;
    v.resourceId = readAt<std::int32_t>(element, R.element.resourceId);
    v.x = readAt<std::int32_t>(element, R.element.x);
    v.y = readAt<std::int32_t>(element, R.element.y);
    v.drawFlags = readAt<std::uint32_t>(element, R.element.drawFlags);
    if (const std::byte* conditions = recordAt(element, R.element.conditions)) {
        v.hasConditions = true;
        for (std::size_t i = 0; i < MAX_CONDITIONS; ++i) {
            const auto key = readAt<std::uint32_t>(conditions, i * R.conditionPair);
            if (key == 0) break;
            v.conditions.push_back({key, readAt<std::uint32_t>(conditions, i * R.conditionPair + 4)});
        }
    }
    v.lastResult = std::numeric_limits<double>::quiet_NaN();
    if (v.kind == TEXT_KIND) {
        for (int slot = 0; slot < layout::TEXT_VARIABLE_SLOTS; ++slot) {
            v.variableIds[std::size_t(slot)] =
                readAt<std::uint32_t>(element, R.text.vars + std::size_t(slot) * R.variable.size + R.variable.id);
        }
        v.hasCallback = pointerAt(element, R.text.callback) != 0;
        v.width = readAt<std::int32_t>(element, R.text.width);
        v.height = readAt<std::int32_t>(element, R.text.height);
        v.charCount = readAt<std::int32_t>(element, R.text.charCount);
        v.foreColour = readAt<std::uint32_t>(element, R.text.foreColour);
        v.backColour = readAt<std::uint32_t>(element, R.text.backColour);
        v.highlightColour = readAt<std::uint32_t>(element, R.text.highlightColour);
        const auto* font = reinterpret_cast<const char*>(element + R.text.fontName);
        v.fontName.assign(font, strnlen(font, R.fontNameSize));
        v.fontWeight = readAt<std::int32_t>(element, R.text.fontWeight);
        v.fontCharset = readAt<std::uint32_t>(element, R.text.fontCharset);
        v.textFlags = readAt<std::uint32_t>(element, R.text.textFlags);
    } else if (v.kind == ICON_KIND) {
        v.variableIds[0] = readAt<std::uint32_t>(element, R.icon.var + R.variable.id);
        v.hasCallback = pointerAt(element, R.icon.callback) != 0;
        v.selectMode = readAt<std::uint32_t>(element, R.icon.selectMode);
        v.imageCount = readAt<std::uint32_t>(element, R.icon.imageCount);
    }
    return v;
}

Host::Host(HostOptions options) {
    auto state = std::make_unique<State>();
    if (options.modulePath.empty()) options.modulePath = defaultModulePath();
    if (options.resourceScript.empty()) options.resourceScript = defaultResourceScript();
    state->options = options;
    const std::filesystem::path file = options.modulePath;
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error)) {
        throw LoadError(options.modulePath + ": no such module file");
    }
    std::filesystem::path loadPath = file;
    if (options.privateCopy) {
        state->copyPath = privateCopyOf(file);
        loadPath = state->copyPath;
    }
    try {
        state->library = std::make_unique<ModuleLibrary>(loadPath.string(), options.modulePath);
        // Where a loaded file may be removed, do it now: a crash then leaves no copy behind.
        if (!state->copyPath.empty() && ModuleLibrary::FILE_REMOVABLE_WHILE_LOADED) {
            std::filesystem::remove(state->copyPath, error);
            state->copyPath.clear();
        }
        state->load();
        if (auto init = reinterpret_cast<Routine>(pointerAt(state->linkage, R.linkage.moduleInit))) {
            ActiveHost active(*state);
            init();
        }
    } catch (...) {
        state->library.reset();
        if (!state->copyPath.empty()) std::filesystem::remove(state->copyPath, error);
        throw;
    }
    state_ = state.release();
}

Host::~Host() {
    if (state_->library) state_->library->unload();
    if (!state_->copyPath.empty()) {
        std::error_code error;
        std::filesystem::remove(state_->copyPath, error);
    }
    delete state_;
}

namespace {
void callRoutine(Host::State& state, int index, const std::uint32_t* value) {
    state.requireLoaded(ROUTINE_NAMES[index]);
    const std::uintptr_t address = word(state.routine(index));
    if (address == 0) {
        state.violation(std::string("the gauge header's ") + ROUTINE_NAMES[index] + " is null");
        return;
    }
    ActiveHost active(state);
    if (value != nullptr) {
        reinterpret_cast<RoutineWithValue>(address)(*value);
    } else {
        reinterpret_cast<Routine>(address)();
    }
    state.checkTexts();
}
}  // namespace

void Host::setup(std::uint32_t value) { callRoutine(*state_, SETUP, &value); }
void Host::start() { callRoutine(*state_, START, nullptr); }
void Host::final() { callRoutine(*state_, FINAL, nullptr); }
void Host::relay1() { callRoutine(*state_, RELAY1, nullptr); }
void Host::relay4() { callRoutine(*state_, RELAY4, nullptr); }
void Host::relay5(std::uint32_t value) { callRoutine(*state_, RELAY5, &value); }
void Host::relay6() { callRoutine(*state_, RELAY6, nullptr); }

void Host::unload() {
    State& s = *state_;
    s.requireLoaded("unload");
    if (auto deinit = reinterpret_cast<Routine>(pointerAt(s.linkage, R.linkage.moduleDeinit))) {
        ActiveHost active(s);
        deinit();
    }
    s.library->unload();
    s.library.reset();
    s.linkage = s.importTable = s.header = s.root = nullptr;
    s.children.clear();
    s.mouseAreas = nullptr;
    s.elementsReady = false;
    if (!s.copyPath.empty()) {
        std::error_code error;
        std::filesystem::remove(s.copyPath, error);
        s.copyPath.clear();
    }
}

void Host::update() {
    State& s = *state_;
    s.requireLoaded("update");
    if (!s.elementsReady) {
        throw std::logic_error("update: the elements are not set up (call setup first, and not after final)");
    }
    ActiveHost active(s);
    for (std::size_t i = 0; i < s.children.size(); ++i) {
        std::byte* child = s.children[i];
        ChildResult& result = s.results[i];
        const int kind = s.kindOf(child);
        if (kind == ICON_KIND) {
            std::byte* slot = child + R.icon.var;
            s.fillSlot(slot);
            const auto callback = reinterpret_cast<IconCallback>(pointerAt(child, R.icon.callback));
            if (callback == nullptr) continue;
            const double shown = callback(slot);
            const auto imageCount = readAt<std::uint32_t>(child, R.icon.imageCount);
            result.lastResult = shown;
            result.called = true;
            // The comparisons are false for NaN: no image.
            const bool inRange = shown >= 0 && shown < double(imageCount) && shown <= double(INT32_MAX);
            result.shownImage = inRange ? static_cast<int>(shown) : -1;
        } else if (kind == TEXT_KIND) {
            for (int slot = 0; slot < layout::TEXT_VARIABLE_SLOTS; ++slot) {
                s.fillSlot(child + R.text.vars + std::size_t(slot) * R.variable.size);
            }
            const auto callback = reinterpret_cast<ReadoutCallback>(pointerAt(child, R.text.callback));
            if (callback == nullptr) continue;
            result.lastResult = callback(readAt<double>(child, R.text.vars + R.variable.value));
            result.called = true;
            s.checkText(i);  // the callback's own buffer at once, so a fault names its element
        }
    }
    s.checkTexts();  // and any buffer a callback wrote that was not its own
}

void Host::setVariable(std::uint32_t id, double value) { state_->variables[id] = value; }
double Host::variable(std::uint32_t id) const {
    const auto found = state_->variables.find(id);
    return found == state_->variables.end() ? 0.0 : found->second;
}
void Host::setThrottleWord(std::int16_t value) { state_->throttleWord = value; }
void Host::setDataWord(std::size_t index, std::int32_t value) { state_->data.at(index) = value; }

ElementView Host::background() const {
    state_->requireLoaded("background");
    return state_->view(state_->root, 0);
}

ElementView Host::child(std::size_t index) const {
    const State& s = *state_;
    s.requireLoaded("child");
    ElementView v = s.view(s.children.at(index), index);
    const ChildResult& result = s.results[index];
    v.shownImage = result.shownImage;
    v.lastResult = result.lastResult;
    v.called = result.called;
    if (s.texts[index]) v.text = s.texts[index]->text();
    return v;
}

std::vector<ElementView> Host::children() const {
    std::vector<ElementView> views;
    for (std::size_t i = 0; i < childCount(); ++i) views.push_back(child(i));
    return views;
}

std::optional<std::size_t> Host::textChildAt(int x, int y) const {
    const State& s = *state_;
    s.requireLoaded("textChildAt");
    for (std::size_t i = 0; i < s.children.size(); ++i) {
        const std::byte* c = s.children[i];
        if (s.kindOf(c) == TEXT_KIND &&
            boxContains(readAt<std::int32_t>(c, R.element.x), readAt<std::int32_t>(c, R.element.y),
                        readAt<std::int32_t>(c, R.text.width), readAt<std::int32_t>(c, R.text.height), x, y)) {
            return i;
        }
    }
    return std::nullopt;
}

bool Host::press(int x, int y) {
    State& s = *state_;
    s.requireLoaded("press");
    if (s.mouseAreas == nullptr) return false;
    const auto areas = s.readAreas(s.mouseAreas, nullptr);
    for (std::size_t i = 0; i < areas.size(); ++i) {
        const MouseAreaView& a = areas[i];
        const bool pressable = a.kind == AREA_ACTIVE && (a.eventMask & PRESS_EVENT) != 0;
        if (!pressable || !boxContains(a.x, a.y, a.width, a.height, x, y)) {
            continue;
        }
        const std::byte* area = s.mouseAreas + i * R.mouseArea.size;
        const auto handler = reinterpret_cast<MouseHandler>(pointerAt(area, R.mouseArea.handler));
        if (handler == nullptr) continue;
        ActiveHost active(s);
        handler(0, PRESS_EVENT);
        s.checkTexts();
        return true;
    }
    return false;
}

std::optional<std::uint32_t> Host::helpIdAt(int x, int y) const {
    std::optional<std::uint32_t> found;
    int foundDepth = -1;
    for (const MouseAreaView& a : mouseAreas()) {
        if (a.kind == AREA_BEGIN_GROUP && a.helpId != 0 && a.depth > foundDepth &&
            boxContains(a.x, a.y, a.width, a.height, x, y)) {
            found = a.helpId;
            foundDepth = a.depth;
        }
    }
    return found;
}

std::vector<MouseAreaView> Host::mouseAreas() const {
    state_->requireLoaded("mouseAreas");
    if (state_->mouseAreas == nullptr) return {};
    return state_->readAreas(state_->mouseAreas, nullptr);
}

const std::vector<ServiceCall>& Host::calls() const { return state_->calls; }
void Host::clearCalls() { state_->calls.clear(); }
const std::vector<std::string>& Host::violations() const { return state_->violations; }

Bitmap Host::bitmap(int resourceId) const {
    state_->requireLoaded("bitmap");
    return decodeBitmap(state_->library->bitmap(resourceId, state_->options.resourceScript));
}

const std::byte* Host::linkageRecord() const {
    state_->requireLoaded("linkageRecord");
    return state_->linkage;
}
const std::byte* Host::gaugeHeaderRecord() const {
    state_->requireLoaded("gaugeHeaderRecord");
    return state_->header;
}
const std::byte* Host::rootRecord() const {
    state_->requireLoaded("rootRecord");
    return state_->root;
}
const std::byte* Host::childRecord(std::size_t index) const {
    state_->requireLoaded("childRecord");
    return state_->children.at(index);
}
std::size_t Host::childCount() const {
    state_->requireLoaded("childCount");
    return state_->children.size();
}

std::string defaultModulePath() {
    if (const char* fromEnvironment = std::getenv("VORLAT_MODULE"); fromEnvironment && *fromEnvironment) {
        return fromEnvironment;
    }
#ifdef VORLAT_DEFAULT_MODULE
    return VORLAT_DEFAULT_MODULE;
#else
    return {};
#endif
}

std::string defaultResourceScript() {
#ifdef VORLAT_DEFAULT_RESOURCE_SCRIPT
    return VORLAT_DEFAULT_RESOURCE_SCRIPT;
#else
    return {};
#endif
}

}  // namespace vorlat
