// A million hostile doubles straight into every text element's callback, with
// the module linked into this test: each text buffer is a heap block of exactly
// the host's 32 bytes, so a sanitizer build catches a write one byte past it.
#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <limits>
#include <memory>
#include <random>
#include <vector>

#include "module/linkage.h"
#include "panel/elements.h"
#include "readouts/format.h"

namespace {

constexpr std::size_t DOUBLES = 1'000'000;
constexpr std::size_t HOST_TEXT_BUFFER = 32;
constexpr double INF = std::numeric_limits<double>::infinity();
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

constexpr double SPECIAL[] = {
    NaN, -NaN, INF, -INF, 0.0, -0.0,
    std::numeric_limits<double>::denorm_min(), -std::numeric_limits<double>::denorm_min(),
    std::numeric_limits<double>::min(), 1e308, -1e308,
    std::numeric_limits<double>::max(), -std::numeric_limits<double>::max(),
    2147483648.0, -2147483649.0, 9223372036854775808.0, -9223372036854775808.0, 1e19, 0.5, -0.5, 0.99999999,
};

class Values {
public:
    double next() {
        switch (random_() % 4) {
            case 0: return SPECIAL[random_() % std::size(SPECIAL)];
            case 1: return std::bit_cast<double>(random_());  // any bit pattern: NaNs, denormals, huge
            default:  // ordinary magnitudes around the panel's ranges and the formatting edges
                return std::ldexp(std::uniform_real_distribution<double>(-1, 1)(random_),
                                  static_cast<int>(random_() % 140) - 40);
        }
    }
    std::uint64_t bits() { return random_(); }

private:
    std::mt19937_64 random_{20261209};
};

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

    Values values;
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
