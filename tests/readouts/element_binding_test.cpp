// Each readout writes the text of its own element and of no other: the
// TextField entry a readout names is the row whose callback it is. Runs
// in-process, with the module linked into this test.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "module/linkage.h"
#include "panel/elements.h"

namespace {

void refreshNothing(ModuleVariable*) {}

// Appended, not "(" + number: GCC 12 at -O3 takes that form for overlapping
// copies (a false -Wrestrict warning in its own string header).
std::string place(const TextElement& text) {
    std::string shown = "(";
    shown += std::to_string(text.header.x) + ", " + std::to_string(text.header.y) + ")";
    return shown;
}

TEST(ElementBinding, EveryReadoutWritesItsOwnElementOnly) {
    HostServiceTable services{};
    services.refreshVariable = refreshNothing;
    std::vector<std::int32_t> dataBlock(256, 1000);
    std::int16_t throttleStorage = 1000;
    ImportTable.hostServices.pointer = &services;
    ImportTable.hostData.pointer = dataBlock.data();
    throttleVar.hostAddress = &throttleStorage;

    // The text elements as the host finds them: in the drawing order.
    std::vector<TextElement*> texts;
    for (ElementHeader** child = childList.data(); *child != nullptr; ++child) {
        if ((*child)->type == TEXT_ELEMENT) texts.push_back(reinterpret_cast<TextElement*>(*child));
    }
    ASSERT_EQ(texts.size(), TEXT_FIELD_COUNT);
    std::vector<std::array<char, 32>> buffers(texts.size());
    for (std::size_t i = 0; i < texts.size(); ++i) texts[i]->text = buffers[i].data();

    for (std::size_t called = 0; called < texts.size(); ++called) {
        for (auto& buffer : buffers) buffer.fill('\0');
        texts[called]->callback(1000.0);  // every readout writes a text for this value
        for (std::size_t i = 0; i < texts.size(); ++i) {
            const bool written = buffers[i][0] != '\0';
            if (i == called) {
                EXPECT_TRUE(written) << "the readout at " << place(*texts[called]) << " left its own text empty";
            } else {
                EXPECT_FALSE(written) << "the readout at " << place(*texts[called]) << " wrote the text at "
                                      << place(*texts[i]);
            }
        }
    }
}

}  // namespace
