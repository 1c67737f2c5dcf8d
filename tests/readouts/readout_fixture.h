// Drives the readouts through the stand-in host: one freshly loaded module per
// case, set up and started, with the host inputs a case names.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "host/host.h"

namespace readout_test {

inline constexpr double INF = std::numeric_limits<double>::infinity();
inline constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

// A box of the grid by (column, row), counted from 1 at the top left.
struct Box {
    int column;
    int row;
};
inline constexpr Box LATITUDE_LINE{0, 0};
inline constexpr Box LONGITUDE_LINE{0, 1};

// One input the host gives the module before an update.
struct Input {
    enum class Kind { Variable, DataWord, ThrottleWord } kind;
    std::uint32_t id;
    double value;
};
inline Input var(std::uint32_t id, double value) { return {Input::Kind::Variable, id, value}; }
inline Input dataWord(std::size_t index, std::int32_t value) {
    return {Input::Kind::DataWord, static_cast<std::uint32_t>(index), static_cast<double>(value)};
}
inline Input throttleWord(std::int16_t value) { return {Input::Kind::ThrottleWord, 0, static_cast<double>(value)}; }

inline constexpr std::size_t TAS_WORD = 174;
inline constexpr std::size_t IAS_WORD = 175;
inline constexpr std::uint32_t GROUND_VARIABLE = 2;
inline constexpr std::uint32_t STALL_VARIABLE = 67;
inline constexpr std::uint32_t BANK_VARIABLE = 80;
inline constexpr std::uint32_t HEADING_VARIABLE = 84;

class Panel {
public:
    // `beforeStart` is what the host holds when the gauge starts.
    explicit Panel(const std::vector<Input>& beforeStart = {})
        : host_(vorlat::HostOptions{.modulePath = vorlat::defaultModulePath(),
                                    .privateCopy = true,
                                    .resourceScript = vorlat::defaultResourceScript()}) {
        apply(beforeStart);
        host_.setup();
        host_.start();
    }

    vorlat::Host& host() { return host_; }

    void apply(const std::vector<Input>& inputs) {
        for (const Input& input : inputs) {
            switch (input.kind) {
                case Input::Kind::Variable: host_.setVariable(input.id, input.value); break;
                case Input::Kind::DataWord: host_.setDataWord(input.id, static_cast<std::int32_t>(input.value)); break;
                case Input::Kind::ThrottleWord: host_.setThrottleWord(static_cast<std::int16_t>(input.value)); break;
            }
        }
    }

    void update(const std::vector<Input>& inputs = {}) {
        apply(inputs);
        host_.update();
    }

    vorlat::ElementView box(Box box) const {
        const int x = box.column == 0 ? POSITION_X : BOX_X + BOX_PITCH_X * (box.column - 1);
        const int y = box.column == 0 ? POSITION_Y + LINE_PITCH_Y * box.row : BOX_Y + BOX_PITCH_Y * (box.row - 1);
        const auto child = host_.textChildAt(x, y);
        if (!child) {
            ADD_FAILURE() << "no text field at (" << x << ", " << y << ")";
            return {};
        }
        return host_.child(*child);
    }

private:
    static constexpr int BOX_X = 4, BOX_Y = 4, BOX_PITCH_X = 72, BOX_PITCH_Y = 13;
    static constexpr int POSITION_X = 346, POSITION_Y = 60, LINE_PITCH_Y = 12;
    vorlat::Host host_;
};

// Results are compared to the decimals they stand for, to a part in 10^12.
inline void expectResult(double actual, double expected) {
    if (std::isnan(expected)) {
        EXPECT_TRUE(std::isnan(actual)) << actual;
    } else if (std::isinf(expected)) {
        EXPECT_EQ(actual, expected);
    } else {
        EXPECT_NEAR(actual, expected, 1e-12 * std::max(1.0, std::fabs(expected)));
    }
}

// A raw value whose product with `scale` is exactly `target`, to put a
// converted value right on a threshold; NaN when no double scales to it.
inline double rawGiving(double target, double scale) {
    double raw = target / scale;
    for (int step = 0; step < 8 && raw * scale != target; ++step) {
        raw = std::nextafter(raw, raw * scale < target ? INF : -INF);
    }
    return raw * scale == target ? raw : NaN;
}

// One row of a readout table: inputs, then the text, colour and result of one update.
struct ReadoutCase {
    const char* name;
    Box box;
    std::vector<Input> inputs;
    std::string text;
    std::uint32_t colour;
    double result;
};

inline void runCases(const std::vector<ReadoutCase>& cases) {
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Panel panel;
        panel.update(c.inputs);
        const auto view = panel.box(c.box);
        EXPECT_TRUE(view.called);
        EXPECT_EQ(view.text, c.text);
        EXPECT_EQ(view.foreColour, c.colour) << std::hex << view.foreColour;
        expectResult(view.lastResult, c.result);
        EXPECT_TRUE(panel.host().violations().empty());
    }
}

}  // namespace readout_test
