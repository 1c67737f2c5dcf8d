// Byte offsets of every record the host reads, for 32-bit and for wide
// (8-byte) pointers. docs/records.md is the reference; the host never uses the
// module's own structs, so a field that moves in the module shows up here as a
// disagreement instead of being silently followed.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vorlat::layout {

struct VariableSlot {
    std::size_t size, id, hostAddress, value;
};
struct Linkage {
    std::size_t size, moduleTag, moduleInit, moduleDeinit, gauges;
};
struct ImportEntry {
    std::size_t size, id, pointer;
};
struct GaugeHeader {
    std::size_t size, headerTag, name, elementList, routines, width;
};
struct ElementHeader {
    std::size_t size, type, resourceId, x, y, gauge, children, conditions, drawFlags;
};
struct ImageElement {
    std::size_t size, hostField;
};
struct TextElement {
    std::size_t size, vars, callback, text, width, height, foreColour, backColour, highlightColour, fontName,
        fontWeight, fontCharset, textFlags, charCount;
};
struct IconElement {
    std::size_t size, var, callback, selectMode, imageCount;
};
struct MouseArea {
    std::size_t size, kind, x, y, width, height, cursor, helpId, eventMask, eventId, handler, userData;
};

struct Records {
    std::size_t pointerSize;
    VariableSlot variable;
    std::size_t standaloneVariableStride;  // the module's five bound variables lie this far apart
    Linkage linkage;
    ImportEntry importEntry;
    GaugeHeader gaugeHeader;
    std::size_t serviceSlot;  // width of one HostServiceTable slot
    ElementHeader element;
    ImageElement image;
    TextElement text;
    IconElement icon;
    MouseArea mouseArea;
    std::size_t conditionPair;
    std::size_t fontNameSize;
};

// clang-format off
inline constexpr Records NARROW = {
    .pointerSize = 4,
    .variable = {.size = 28, .id = 0, .hostAddress = 4, .value = 12},
    .standaloneVariableStride = 32,
    .linkage = {.size = 32, .moduleTag = 0, .moduleInit = 4, .moduleDeinit = 8, .gauges = 24},
    .importEntry = {.size = 8, .id = 0, .pointer = 4},
    .gaugeHeader = {.size = 88, .headerTag = 0, .name = 4, .elementList = 8, .routines = 12, .width = 44},
    .serviceSlot = 4,
    .element = {.size = 60, .type = 0, .resourceId = 4, .x = 8, .y = 12, .gauge = 32, .children = 40,
                .conditions = 44, .drawFlags = 48},
    .image = {.size = 80, .hostField = 60},
    .text = {.size = 312, .vars = 60, .callback = 180, .text = 184, .width = 192, .height = 196,
             .foreColour = 208, .backColour = 216, .highlightColour = 224, .fontName = 248, .fontWeight = 280,
             .fontCharset = 284, .textFlags = 288, .charCount = 292},
    .icon = {.size = 136, .var = 60, .callback = 88, .selectMode = 92, .imageCount = 112},
    .mouseArea = {.size = 44, .kind = 0, .x = 4, .y = 8, .width = 12, .height = 16, .cursor = 20, .helpId = 24,
                  .eventMask = 28, .eventId = 32, .handler = 36, .userData = 40},
    .conditionPair = 8,
    .fontNameSize = 32,
};

inline constexpr Records WIDE = {
    .pointerSize = 8,
    .variable = {.size = 32, .id = 0, .hostAddress = 4, .value = 16},
    .standaloneVariableStride = 32,
    .linkage = {.size = 48, .moduleTag = 0, .moduleInit = 4, .moduleDeinit = 12, .gauges = 32},
    .importEntry = {.size = 12, .id = 0, .pointer = 4},
    .gaugeHeader = {.size = 124, .headerTag = 0, .name = 4, .elementList = 12, .routines = 20, .width = 80},
    .serviceSlot = 8,
    .element = {.size = 72, .type = 0, .resourceId = 4, .x = 8, .y = 12, .gauge = 32, .children = 44,
                .conditions = 52, .drawFlags = 60},
    .image = {.size = 96, .hostField = 72},
    .text = {.size = 344, .vars = 72, .callback = 204, .text = 212, .width = 224, .height = 228,
             .foreColour = 240, .backColour = 248, .highlightColour = 256, .fontName = 280, .fontWeight = 312,
             .fontCharset = 316, .textFlags = 320, .charCount = 324},
    .icon = {.size = 156, .var = 72, .callback = 104, .selectMode = 112, .imageCount = 132},
    .mouseArea = {.size = 48, .kind = 0, .x = 4, .y = 8, .width = 12, .height = 16, .cursor = 20, .helpId = 24,
                  .eventMask = 28, .eventId = 32, .handler = 36, .userData = 44},
    .conditionPair = 8,
    .fontNameSize = 32,
};
// clang-format on

// The layout of this build's pointer width.
inline constexpr const Records& RECORDS = sizeof(void*) == 4 ? NARROW : WIDE;

inline constexpr int ROUTINE_COUNT = 7;  // relay1, setup, start, relay4, relay5, relay6, final
inline constexpr int TEXT_VARIABLE_SLOTS = 3;

// Each table must describe records whose pointer fields have its pointer width
// and whose fields are packed end to end.
constexpr bool consistent(const Records& r) {
    const std::size_t p = r.pointerSize;
    return r.variable.value == r.variable.hostAddress + p + 4 && r.variable.size == r.variable.value + 16 &&
           r.linkage.size == r.linkage.gauges + 2 * p && r.importEntry.size == 4 + p &&
           r.gaugeHeader.width == r.gaugeHeader.routines + ROUTINE_COUNT * p + 4 &&
           r.gaugeHeader.size == r.gaugeHeader.width + 44 && r.element.size == r.element.drawFlags + 12 &&
           r.image.hostField == r.element.size && r.image.size == r.image.hostField + p + 16 &&
           r.text.vars == r.element.size && r.text.callback == r.text.vars + 3 * r.variable.size + 36 &&
           r.text.text == r.text.callback + p && r.text.width == r.text.text + p + 4 &&
           r.text.size == r.text.charCount + 20 && r.icon.var == r.element.size &&
           r.icon.callback == r.icon.var + r.variable.size && r.icon.selectMode == r.icon.callback + p &&
           r.icon.size == r.icon.imageCount + 24 && r.mouseArea.userData == r.mouseArea.handler + p &&
           r.mouseArea.size == r.mouseArea.userData + 4;
}
static_assert(consistent(NARROW) && consistent(WIDE));

}  // namespace vorlat::layout
