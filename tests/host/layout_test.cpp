// The host's offsets table against the module's own structs, and the host's
// reading of the real module against what the compiler reads from the same
// bytes. The host library never includes module headers; this test does.
#include <gtest/gtest.h>

#include <cstring>

#include "host/host.h"
#include "host/layout.h"
#include "module/linkage.h"

namespace {

namespace layout = vorlat::layout;
const layout::Records& R = layout::RECORDS;

// Packed records: read a field by value, never bind a reference to it.
template <class T>
T copied(T value) {
    return value;
}

struct OffsetCase {
    const char* field;
    std::size_t host;
    std::size_t module;
};

std::vector<OffsetCase> offsetCases() {
    const std::size_t slot = sizeof(ModuleVariable);
    return {
        {"ModuleVariable size", R.variable.size, sizeof(ModuleVariable)},
        {"ModuleVariable.id", R.variable.id, offsetof(ModuleVariable, id)},
        {"ModuleVariable.hostAddress", R.variable.hostAddress, offsetof(ModuleVariable, hostAddress)},
        {"ModuleVariable.value", R.variable.value, offsetof(ModuleVariable, value)},
        {"stand-alone variable stride", R.standaloneVariableStride, sizeof(StandaloneVariable)},
        {"Linkage size", R.linkage.size, sizeof(LinkageRecord)},
        {"Linkage.moduleTag", R.linkage.moduleTag, offsetof(LinkageRecord, moduleTag)},
        {"Linkage.moduleInit", R.linkage.moduleInit, offsetof(LinkageRecord, moduleInit)},
        {"Linkage.moduleDeinit", R.linkage.moduleDeinit, offsetof(LinkageRecord, moduleDeinit)},
        {"Linkage.gauges", R.linkage.gauges, offsetof(LinkageRecord, gauges)},
        {"ImportEntry size", R.importEntry.size, sizeof(ImportEntry)},
        {"ImportEntry.id", R.importEntry.id, offsetof(ImportEntry, id)},
        {"ImportEntry.pointer", R.importEntry.pointer, offsetof(ImportEntry, pointer)},
        {"ImportTable hostData entry", 1 * R.importEntry.size, offsetof(ImportTableRecord, hostData)},
        {"ImportTable end entry", 2 * R.importEntry.size, offsetof(ImportTableRecord, end)},
        {"GaugeHeader size", R.gaugeHeader.size, sizeof(GaugeHeader)},
        {"GaugeHeader.headerTag", R.gaugeHeader.headerTag, offsetof(GaugeHeader, headerTag)},
        {"GaugeHeader.name", R.gaugeHeader.name, offsetof(GaugeHeader, name)},
        {"GaugeHeader.elementList", R.gaugeHeader.elementList, offsetof(GaugeHeader, elementList)},
        {"GaugeHeader.relayRoutine1", R.gaugeHeader.routines, offsetof(GaugeHeader, relayRoutine1)},
        {"GaugeHeader.setupRoutine", R.gaugeHeader.routines + 1 * R.pointerSize, offsetof(GaugeHeader, setupRoutine)},
        {"GaugeHeader.startRoutine", R.gaugeHeader.routines + 2 * R.pointerSize, offsetof(GaugeHeader, startRoutine)},
        {"GaugeHeader.relayRoutine4", R.gaugeHeader.routines + 3 * R.pointerSize, offsetof(GaugeHeader, relayRoutine4)},
        {"GaugeHeader.relayRoutine5", R.gaugeHeader.routines + 4 * R.pointerSize, offsetof(GaugeHeader, relayRoutine5)},
        {"GaugeHeader.relayRoutine6", R.gaugeHeader.routines + 5 * R.pointerSize, offsetof(GaugeHeader, relayRoutine6)},
        {"GaugeHeader.finalRoutine", R.gaugeHeader.routines + 6 * R.pointerSize, offsetof(GaugeHeader, finalRoutine)},
        {"GaugeHeader.width", R.gaugeHeader.width, offsetof(GaugeHeader, width)},
        {"HostServiceTable slot 24", 24 * R.serviceSlot, offsetof(HostServiceTable, elementsRelay1)},
        {"HostServiceTable slot 25", 25 * R.serviceSlot, offsetof(HostServiceTable, elementsSetup)},
        {"HostServiceTable slot 26", 26 * R.serviceSlot, offsetof(HostServiceTable, elementsStart)},
        {"HostServiceTable slot 27", 27 * R.serviceSlot, offsetof(HostServiceTable, elementsRelay4)},
        {"HostServiceTable slot 28", 28 * R.serviceSlot, offsetof(HostServiceTable, elementsRelay5)},
        {"HostServiceTable slot 29", 29 * R.serviceSlot, offsetof(HostServiceTable, elementsRelay6)},
        {"HostServiceTable slot 31", 31 * R.serviceSlot, offsetof(HostServiceTable, elementsFinal)},
        {"HostServiceTable slot 32", 32 * R.serviceSlot, offsetof(HostServiceTable, mouseAreasPrepare)},
        {"HostServiceTable slot 33", 33 * R.serviceSlot, offsetof(HostServiceTable, mouseAreasRegister)},
        {"HostServiceTable slot 34", 34 * R.serviceSlot, offsetof(HostServiceTable, mouseAreasRelease)},
        {"HostServiceTable slot 38", 38 * R.serviceSlot, offsetof(HostServiceTable, registerVariable)},
        {"HostServiceTable slot 40", 40 * R.serviceSlot, offsetof(HostServiceTable, refreshVariable)},
        {"ElementHeader size", R.element.size, sizeof(ElementHeader)},
        {"ElementHeader.type", R.element.type, offsetof(ElementHeader, type)},
        {"ElementHeader.resourceId", R.element.resourceId, offsetof(ElementHeader, resourceId)},
        {"ElementHeader.x", R.element.x, offsetof(ElementHeader, x)},
        {"ElementHeader.y", R.element.y, offsetof(ElementHeader, y)},
        {"ElementHeader.gauge", R.element.gauge, offsetof(ElementHeader, gauge)},
        {"ElementHeader.children", R.element.children, offsetof(ElementHeader, children)},
        {"ElementHeader.conditions", R.element.conditions, offsetof(ElementHeader, conditions)},
        {"ElementHeader.drawFlags", R.element.drawFlags, offsetof(ElementHeader, drawFlags)},
        {"ImageElement size", R.image.size, sizeof(ImageElement)},
        {"ImageElement.hostField", R.image.hostField, offsetof(ImageElement, hostField)},
        {"TextElement size", R.text.size, sizeof(TextElement)},
        {"TextElement.vars", R.text.vars, offsetof(TextElement, vars)},
        {"TextElement.vars[1].value", R.text.vars + R.variable.size + R.variable.value,
         offsetof(TextElement, vars) + slot + offsetof(ModuleVariable, value)},
        {"TextElement.callback", R.text.callback, offsetof(TextElement, callback)},
        {"TextElement.text", R.text.text, offsetof(TextElement, text)},
        {"TextElement.width", R.text.width, offsetof(TextElement, width)},
        {"TextElement.height", R.text.height, offsetof(TextElement, height)},
        {"TextElement.foreColour", R.text.foreColour, offsetof(TextElement, foreColour)},
        {"TextElement.backColour", R.text.backColour, offsetof(TextElement, backColour)},
        {"TextElement.highlightColour", R.text.highlightColour, offsetof(TextElement, highlightColour)},
        {"TextElement.fontName", R.text.fontName, offsetof(TextElement, fontName)},
        {"TextElement.fontName size", R.fontNameSize, sizeof(TextElement::fontName)},
        {"TextElement.fontWeight", R.text.fontWeight, offsetof(TextElement, fontWeight)},
        {"TextElement.fontCharset", R.text.fontCharset, offsetof(TextElement, fontCharset)},
        {"TextElement.textFlags", R.text.textFlags, offsetof(TextElement, textFlags)},
        {"TextElement.charCount", R.text.charCount, offsetof(TextElement, charCount)},
        {"IconElement size", R.icon.size, sizeof(IconElement)},
        {"IconElement.var", R.icon.var, offsetof(IconElement, var)},
        {"IconElement.callback", R.icon.callback, offsetof(IconElement, callback)},
        {"IconElement.selectMode", R.icon.selectMode, offsetof(IconElement, selectMode)},
        {"IconElement.imageCount", R.icon.imageCount, offsetof(IconElement, imageCount)},
        {"ConditionPair size", R.conditionPair, sizeof(ConditionPair)},
        {"MouseArea size", R.mouseArea.size, sizeof(MouseArea)},
        {"MouseArea.kind", R.mouseArea.kind, offsetof(MouseArea, kind)},
        {"MouseArea.x", R.mouseArea.x, offsetof(MouseArea, x)},
        {"MouseArea.y", R.mouseArea.y, offsetof(MouseArea, y)},
        {"MouseArea.width", R.mouseArea.width, offsetof(MouseArea, width)},
        {"MouseArea.height", R.mouseArea.height, offsetof(MouseArea, height)},
        {"MouseArea.cursor", R.mouseArea.cursor, offsetof(MouseArea, cursor)},
        {"MouseArea.helpId", R.mouseArea.helpId, offsetof(MouseArea, helpId)},
        {"MouseArea.eventMask", R.mouseArea.eventMask, offsetof(MouseArea, eventMask)},
        {"MouseArea.eventId", R.mouseArea.eventId, offsetof(MouseArea, eventId)},
        {"MouseArea.handler", R.mouseArea.handler, offsetof(MouseArea, handler)},
        {"MouseArea.userData", R.mouseArea.userData, offsetof(MouseArea, userData)},
    };
}

TEST(HostLayout, EveryOffsetAgreesWithTheModule) {
    EXPECT_EQ(R.pointerSize, sizeof(void*));
    for (const OffsetCase& row : offsetCases()) {
        EXPECT_EQ(row.host, row.module) << row.field;
    }
}

// The documented 32-bit layout, whatever this build's pointer width.
TEST(HostLayout, NarrowTableMatchesTheDocumentedProductLayout) {
    const layout::Records& n = layout::NARROW;
    EXPECT_EQ(n.linkage.size, 32u);
    EXPECT_EQ(n.gaugeHeader.size, 88u);
    EXPECT_EQ(n.variable.size, 28u);
    EXPECT_EQ(n.variable.value, 12u);
    EXPECT_EQ(n.image.size, 80u);
    EXPECT_EQ(n.text.size, 312u);
    EXPECT_EQ(n.text.text, 184u);
    EXPECT_EQ(n.text.foreColour, 208u);
    EXPECT_EQ(n.text.vars + n.variable.size + n.variable.value, 100u);
    EXPECT_EQ(n.icon.size, 136u);
    EXPECT_EQ(n.mouseArea.size, 44u);
    EXPECT_EQ(40 * n.serviceSlot, 0xa0u);
}

class RealModule : public testing::Test {
protected:
    vorlat::Host host{vorlat::HostOptions{.modulePath = {}, .privateCopy = true, .resourceScript = {}}};
};

TEST_F(RealModule, TreeIsOneRootAndThirtyNineChildren) {
    const auto* linkage = reinterpret_cast<const LinkageRecord*>(host.linkageRecord());
    EXPECT_EQ(reinterpret_cast<const std::byte*>(linkage->gauges[0]), host.gaugeHeaderRecord());
    EXPECT_EQ(copied(linkage->gauges[1]), nullptr);
    const auto* header = reinterpret_cast<const GaugeHeader*>(host.gaugeHeaderRecord());
    EXPECT_STREQ(copied(header->name), "ZEK.vorlat");
    EXPECT_EQ(header->width, 436u);
    EXPECT_EQ(reinterpret_cast<const std::byte*>(header->elementList[0]), host.rootRecord());
    EXPECT_EQ(copied(header->elementList[1]), nullptr);

    const auto* root = reinterpret_cast<const ImageElement*>(host.rootRecord());
    ASSERT_EQ(host.childCount(), 39u);
    for (std::size_t i = 0; i < host.childCount(); ++i) {
        EXPECT_EQ(reinterpret_cast<const std::byte*>(root->header.children[i]), host.childRecord(i)) << i;
    }
    EXPECT_EQ(copied(root->header.children[39]), nullptr);
}

// What the host reads at its offsets is what the compiler reads from the same record.
TEST_F(RealModule, HostViewsAgreeWithTheModuleStructs) {
    host.setup();
    const auto* root = reinterpret_cast<const ImageElement*>(host.rootRecord());
    const vorlat::ElementView background = host.background();
    EXPECT_EQ(background.kind, root->header.type);
    EXPECT_EQ(background.resourceId, root->header.resourceId);
    EXPECT_EQ(background.drawFlags, root->header.drawFlags);
    EXPECT_NE(copied(root->hostField), nullptr);

    for (std::size_t i = 0; i < host.childCount(); ++i) {
        SCOPED_TRACE(i);
        const vorlat::ElementView view = host.child(i);
        const auto* element = reinterpret_cast<const ElementHeader*>(host.childRecord(i));
        EXPECT_EQ(reinterpret_cast<const std::byte*>(element->gauge), host.gaugeHeaderRecord());
        EXPECT_EQ(view.kind, element->type);
        EXPECT_EQ(view.resourceId, element->resourceId);
        EXPECT_EQ(view.x, element->x);
        EXPECT_EQ(view.y, element->y);
        EXPECT_EQ(view.drawFlags, element->drawFlags);
        ASSERT_EQ(view.hasConditions, element->conditions != nullptr);
        if (element->type == TEXT_ELEMENT) {
            const auto* text = reinterpret_cast<const TextElement*>(element);
            for (std::size_t slot = 0; slot < 3; ++slot) EXPECT_EQ(view.variableIds[slot], text->vars[slot].id);
            EXPECT_EQ(view.width, text->width);
            EXPECT_EQ(view.height, text->height);
            EXPECT_EQ(view.charCount, text->charCount);
            EXPECT_EQ(view.foreColour, text->foreColour);
            EXPECT_EQ(view.backColour, text->backColour);
            EXPECT_EQ(view.highlightColour, text->highlightColour);
            EXPECT_EQ(view.fontName, std::string(text->fontName));
            EXPECT_EQ(view.fontWeight, text->fontWeight);
            EXPECT_EQ(view.fontCharset, text->fontCharset);
            EXPECT_EQ(view.textFlags, text->textFlags);
            EXPECT_EQ(view.hasCallback, text->callback != nullptr);
            EXPECT_NE(copied(text->text), nullptr);  // lent by the host in elementsSetup
        } else {
            ASSERT_EQ(element->type, ICON_ELEMENT);
            const auto* icon = reinterpret_cast<const IconElement*>(element);
            EXPECT_EQ(view.variableIds[0], icon->var.id);
            EXPECT_EQ(view.imageCount, icon->imageCount);
            EXPECT_EQ(view.selectMode, icon->selectMode);
            EXPECT_EQ(view.hasCallback, icon->callback != nullptr);
        }
    }
    host.final();
    EXPECT_TRUE(host.violations().empty());
}

}  // namespace
