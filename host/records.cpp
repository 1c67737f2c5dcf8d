// Finding and checking the module's records (Linkage, GaugeHeader, the element
// tree, ImportTable) and reading elements and mouse-area lists into views, all
// through the offsets of host/layout.h. Every record the host follows must lie
// wholly inside the module's loaded image: a pointer elsewhere is refused, not
// followed, and every list is walked only within the image and a walk limit.
#include <algorithm>
#include <cstdio>
#include <limits>

#include "common/printable.h"
#include "host/host_state.h"
#include "host/module_check.h"

namespace vorlat {

using detail::hex;
using detail::pointerAt;
using detail::R;
using detail::readAt;
using detail::recordAt;
using detail::word;
using detail::writeAt;

namespace {

// Walk limits: a list without its terminator is refused, not followed forever.
constexpr std::size_t MAX_CHILDREN = 1024;
constexpr std::size_t MAX_CONDITIONS = 64;
constexpr std::size_t MAX_MOUSE_AREAS = 4096;
constexpr std::size_t MAX_NAME = 256;

// Two upper-case hex digits, as the services' ImportTable id is written: 0x0F.
std::string hexByte(std::uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%02X", static_cast<unsigned>(value));
    return text;
}

bool isElementKind(int kind) {
    return kind == gauge::IMAGE_KIND || kind == gauge::TEXT_KIND || kind == gauge::ICON_KIND;
}

std::size_t recordSize(int kind) {
    return kind == gauge::TEXT_KIND ? R.text.size : kind == gauge::ICON_KIND ? R.icon.size : R.image.size;
}

// A routine the host will call must start inside the module: a stray pointer is
// refused, not jumped to. (Code inside the module can still do anything.)
void requireRoutineInside(const Host::State& s, std::uintptr_t routine, const std::string& what) {
    if (routine != 0 && !s.library->holds(reinterpret_cast<const void*>(routine), 1)) {
        throw LoadError(s.options.modulePath + ": " + what + " at " + hex(routine) + " lies outside the module");
    }
}

// Linkage's and GaugeHeader's routines.
void checkRoutines(const Host::State& s) {
    requireRoutineInside(s, pointerAt(s.linkage, R.linkage.moduleInit), "Linkage moduleInit");
    requireRoutineInside(s, pointerAt(s.linkage, R.linkage.moduleDeinit), "Linkage moduleDeinit");
    for (int k = 0; k < layout::ROUTINE_COUNT; ++k) {
        requireRoutineInside(
            s, pointerAt(s.header, R.gaugeHeader.routines + std::size_t(k) * R.pointerSize),
            "GaugeHeader routine " + std::to_string(k + 1) + " of " + std::to_string(layout::ROUTINE_COUNT));
    }
}

// Refuses the module unless `size` bytes at `record` lie inside its loaded image.
void requireInside(const Host::State& s, const void* record, std::size_t size, const std::string& what) {
    if (!s.library->holds(record, size)) {
        throw LoadError(s.options.modulePath + ": " + what + " (" + std::to_string(size) + " bytes at " +
                        hex(word(record)) + ") lies outside the module");
    }
}

MouseAreaView areaAt(const std::byte* area) {
    return {
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
}

// The pairs before the (0, 0) end, read no further than the module's image reaches.
void readConditions(const ModuleLibrary& library, const std::byte* element, ElementView& v) {
    const std::byte* conditions = recordAt(element, R.element.conditions);
    if (conditions == nullptr) return;
    v.hasConditions = true;
    const std::size_t pairs = std::min(MAX_CONDITIONS, library.bytesFrom(conditions) / R.conditionPair);
    for (std::size_t i = 0; i < pairs; ++i) {
        const auto key = readAt<std::uint32_t>(conditions, i * R.conditionPair);
        if (key == 0) break;
        v.conditions.push_back({key, readAt<std::uint32_t>(conditions, i * R.conditionPair + 4)});
    }
}

void readTextFields(const std::byte* element, ElementView& v) {
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
}

// At load: an element's condition list, up to its end or the walk limit, inside the module.
void checkConditions(const Host::State& s, const std::byte* element, const std::string& what) {
    const std::byte* conditions = recordAt(element, R.element.conditions);
    if (conditions == nullptr) return;
    for (std::size_t i = 0; i < MAX_CONDITIONS; ++i) {
        requireInside(s, conditions + i * R.conditionPair, R.conditionPair, "the condition list of " + what);
        if (readAt<std::uint32_t>(conditions, i * R.conditionPair) == 0) return;
    }
}

void readIconFields(const std::byte* element, ElementView& v) {
    v.variableIds[0] = readAt<std::uint32_t>(element, R.icon.var + R.variable.id);
    v.hasCallback = pointerAt(element, R.icon.callback) != 0;
    v.selectMode = readAt<std::uint32_t>(element, R.icon.selectMode);
    v.imageCount = readAt<std::uint32_t>(element, R.icon.imageCount);
}

}  // namespace

// Finds and checks the records, fills ImportTable and lends the text buffers.
void Host::State::load() {
    findExports();
    checkGaugeHeader();
    readElementTree();
    fillImportTable();
    lendTextBuffers();
}

void Host::State::refuse(const std::string& why) const { throw LoadError(options.modulePath + ": " + why); }

void Host::State::findExports() {
    linkage = static_cast<std::byte*>(library->record("Linkage"));
    if (linkage == nullptr) refuse("exports no record \"Linkage\"");
    requireInside(*this, linkage, R.linkage.size, "the record \"Linkage\"");
    importTable = static_cast<std::byte*>(library->record("ImportTable"));
    if (importTable == nullptr) refuse("exports no record \"ImportTable\"");
}

// Linkage holds exactly one gauge, with the header tag and the gauge's name.
void Host::State::checkGaugeHeader() {
    const auto moduleTag = readAt<std::uint32_t>(linkage, R.linkage.moduleTag);
    if (moduleTag != gauge::MODULE_TAG) {
        refuse("Linkage moduleTag is " + hex(moduleTag) + ", expected " + hex(gauge::MODULE_TAG));
    }
    header = recordAt(linkage, R.linkage.gauges);
    if (header == nullptr) refuse("Linkage gauge list is empty");
    requireInside(*this, header, R.gaugeHeader.size, "GaugeHeader");
    if (pointerAt(linkage, R.linkage.gauges + R.pointerSize) != 0) {
        refuse("Linkage gauge list holds more than one gauge");
    }
    const auto headerTag = readAt<std::uint32_t>(header, R.gaugeHeader.headerTag);
    if (headerTag != gauge::HEADER_TAG) {
        refuse("GaugeHeader headerTag is " + hex(headerTag) + ", expected " + hex(gauge::HEADER_TAG));
    }
    const auto* name = reinterpret_cast<const char*>(pointerAt(header, R.gaugeHeader.name));
    if (name == nullptr) refuse("GaugeHeader has no name");
    requireInside(*this, name, 1, "the gauge name");
    const std::string gaugeName(name, strnlen(name, std::min(MAX_NAME, library->bytesFrom(name))));
    if (gaugeName != gauge::GAUGE_NAME) {
        refuse("gauge name is " + printable(gaugeName) + ", expected \"" + std::string(gauge::GAUGE_NAME) + "\"");
    }
    checkRoutines(*this);
}

// One root image, whose children are all of a known kind.
void Host::State::readElementTree() {
    const std::byte* elementList = recordAt(header, R.gaugeHeader.elementList);
    if (elementList == nullptr) refuse("GaugeHeader has no element list");
    requireInside(*this, elementList, 2 * R.pointerSize, "the element list");
    root = recordAt(elementList, 0);
    if (root == nullptr) refuse("the element list is empty");
    requireInside(*this, root, R.image.size, "the root element");
    if (pointerAt(elementList, R.pointerSize) != 0) refuse("the element list holds more than one root element");
    if (kindOf(root) != gauge::IMAGE_KIND) {
        refuse("the root element is of kind " + std::to_string(kindOf(root)) + ", not an image");
    }
    checkConditions(*this, root, "the root element");
    if (const std::byte* childList = recordAt(root, R.element.children)) {
        readChildList(childList);
    }
}

void Host::State::readChildList(const std::byte* childList) {
    for (std::size_t i = 0;; ++i) {
        if (i == MAX_CHILDREN) {
            refuse("the child list has no end within " + std::to_string(MAX_CHILDREN) + " entries");
        }
        requireInside(*this, childList + i * R.pointerSize, R.pointerSize, "the child list");
        std::byte* child = recordAt(childList, i * R.pointerSize);
        if (child == nullptr) return;
        const std::string what = "child " + std::to_string(i);
        requireInside(*this, child, R.element.size, what);
        if (!isElementKind(kindOf(child))) refuse(what + " is of unknown kind " + std::to_string(kindOf(child)));
        requireInside(*this, child, recordSize(kindOf(child)), what);
        if (kindOf(child) != gauge::IMAGE_KIND) {
            const std::size_t callback = kindOf(child) == gauge::TEXT_KIND ? R.text.callback : R.icon.callback;
            requireRoutineInside(*this, pointerAt(child, callback), "the callback of " + what);
        }
        checkConditions(*this, child, what);
        children.push_back(child);
    }
}

// The first entry of each id the host serves gets the services or the data block.
void Host::State::fillImportTable() {
    std::byte* servicesEntry = nullptr;
    std::byte* dataEntry = nullptr;
    for (std::size_t i = 0;; ++i) {
        if (i == MAX_IMPORT_ENTRIES) {
            refuse("ImportTable has no end entry within " + std::to_string(MAX_IMPORT_ENTRIES) + " entries");
        }
        std::byte* entry = importTable + i * R.importEntry.size;
        requireInside(*this, entry, R.importEntry.size, "ImportTable entry " + std::to_string(i));
        const auto id = readAt<std::uint32_t>(entry, R.importEntry.id);
        if (id == 0) break;
        if (id == gauge::SERVICES_IMPORT_ID && servicesEntry == nullptr) servicesEntry = entry;
        if (id == gauge::DATA_IMPORT_ID && dataEntry == nullptr) dataEntry = entry;
    }
    if (servicesEntry == nullptr) {
        refuse("ImportTable has no entry " + hexByte(gauge::SERVICES_IMPORT_ID) + " for the host services");
    }
    if (dataEntry == nullptr) {
        refuse("ImportTable has no entry " + std::to_string(gauge::DATA_IMPORT_ID) + " for the host data block");
    }
    services = detail::serviceTable();
    writeAt(servicesEntry, R.importEntry.pointer, word(services.data()));
    writeAt(dataEntry, R.importEntry.pointer, word(data.data()));
}

void Host::State::lendTextBuffers() {
    results.resize(children.size());
    for (std::byte* child : children) {
        texts.push_back(kindOf(child) == gauge::TEXT_KIND ? std::make_unique<detail::GuardedText>() : nullptr);
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
        if (!library->holds(list + i * R.mouseArea.size, R.mouseArea.size)) {
            if (problems) problems->push_back("record " + std::to_string(i) + " lies outside the module");
            return areas;
        }
        MouseAreaView view = areaAt(list + i * R.mouseArea.size);
        // A group's own records stand at the depth around it; its members one deeper.
        if (view.kind == gauge::AREA_END_GROUP) {
            if (depth == 0 && problems) problems->push_back("record " + std::to_string(i) + " closes no open group");
            depth = depth > 0 ? depth - 1 : 0;
        }
        view.depth = depth;
        if (view.kind == gauge::AREA_BEGIN_GROUP) ++depth;
        if (view.kind > gauge::AREA_END_GROUP && problems) {
            problems->push_back("record " + std::to_string(i) + " is of unknown kind " + std::to_string(view.kind));
        }
        areas.push_back(view);
        if (view.kind == gauge::AREA_END) {
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
    readConditions(*library, element, v);
    v.lastResult = std::numeric_limits<double>::quiet_NaN();
    if (v.kind == gauge::TEXT_KIND) {
        readTextFields(element, v);
    } else if (v.kind == gauge::ICON_KIND) {
        readIconFields(element, v);
    }
    return v;
}

}  // namespace vorlat
