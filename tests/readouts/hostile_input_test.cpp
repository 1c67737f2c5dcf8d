// A million hostile doubles straight into every text element's callback, with
// the module linked into this test: each text buffer is a heap block of exactly
// the host's 32 bytes, so a sanitizer build catches a write one byte past it.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "module/linkage.h"
#include "panel/elements.h"
#include "readouts/format.h"
#include "tests/readouts/hostile_values.h"

namespace {

constexpr std::size_t DOUBLES = 1'000'000;
constexpr std::size_t HOST_TEXT_BUFFER = 32;
using readout_test::HostileValues;

// Just enough host for the readouts: the variables are set here directly.
void refreshNothing(ModuleVariable*) {}

TEST(HostileInput, EveryTextStaysTerminatedInsideTheHostBuffer) {
    HostServiceTable services{};
    services.refreshVariable = refreshNothing;
    std::vector<std::int32_t> dataBlock(256);
    std::int16_t throttleStorage = 0;
    ImportTable.hostServices.pointer = &services;
    ImportTable.hostData.pointer = dataBlock.data();
    throttleVar.hostAddress = &throttleStorage;

    std::vector<TextElement*> texts;
    std::vector<std::unique_ptr<char[]>> buffers;
    for (ElementHeader** child = childList.data(); *child != nullptr; ++child) {
        if ((*child)->type != TEXT_ELEMENT) continue;
        auto* text = reinterpret_cast<TextElement*>(*child);
        buffers.push_back(std::make_unique<char[]>(HOST_TEXT_BUFFER));
        text->text = buffers.back().get();
        texts.push_back(text);
    }
    ASSERT_EQ(texts.size(), 36u);

    HostileValues values;
    std::size_t fed = 0;
    while (fed < DOUBLES) {
        dataBlock[TAS_DATA_WORD] = static_cast<std::int32_t>(values.bits());
        dataBlock[IAS_DATA_WORD] = static_cast<std::int32_t>(values.bits());
        throttleStorage = static_cast<std::int16_t>(values.bits());
        for (StandaloneVariable& bound : boundVariables) bound.record.value = values.next();
        stallIcon.var.value = values.next();
        stallIcon.callback(&stallIcon.var);
        fed += std::size(boundVariables) + 1;
        for (TextElement* text : texts) {
            text->vars[1].value = values.next();
            text->callback(values.next());
            fed += 2;
            ASSERT_LT(strnlen(text->text, HOST_TEXT_BUFFER), HOST_TEXT_BUFFER)
                << "element at (" << text->header.x << ", " << text->header.y << ") left no terminator";
        }
    }
}

}  // namespace
