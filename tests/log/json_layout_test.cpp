// The JSON writer behind the summary and the report's data: the library's
// escaping (bytes that are not UTF-8 become U+FFFD, in names too), the log
// tools' numbers (never an exponent, null when not finite), and line breaks
// only where the layout names a container, found by its path.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "tools/log/json_layout.h"

namespace {

using vorlat::flightlog::Json;
using vorlat::flightlog::JsonBreaks;
using vorlat::flightlog::JsonLayout;
using vorlat::flightlog::jsonNumber;
using vorlat::flightlog::jsonText;

constexpr JsonLayout ONE_LINE{.nameSeparator = ": ", .separator = ", ", .breaks = {}};

struct ValueCase {
    const char* what;
    Json value;
    const char* text;
};

TEST(JsonLayout, WritesValuesAsTheLogToolsDo) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const ValueCase cases[] = {
        {.what = "a file name that is not UTF-8", .value = "run\xff.txt", .text = "\"run\xEF\xBF\xBD.txt\""},
        {.what = "quotes, a backslash and a control byte", .value = "a\"b\\c\x01", .text = R"("a\"b\\c\u0001")"},
        {.what = "a name escaped like a value", .value = {{"x\"\xfe", 1}}, .text = "{\"x\\\"\xEF\xBF\xBD\": 1}"},
        {.what = "a large number without an exponent", .value = 1.2e20, .text = "120000000000000000000"},
        {.what = "a whole double", .value = 3.0, .text = "3"},
        {.what = "the shortest exact form", .value = 0.1, .text = "0.1"},
        {.what = "minus zero", .value = -0.0, .text = "0"},
        {.what = "not finite", .value = jsonNumber(nan), .text = "null"},
        {.what = "not finite inside a document", .value = {1.5, nan, -std::numeric_limits<double>::infinity()},
         .text = "[1.5, null, null]"},
        {.what = "counts and truth", .value = {std::uint64_t{18446744073709551615u}, -7, true, nullptr},
         .text = "[18446744073709551615, -7, true, null]"},
        {.what = "empty containers", .value = {{"a", Json::array()}, {"b", Json::object()}},
         .text = R"({"a": [], "b": {}})"},
    };
    for (const ValueCase& c : cases) EXPECT_EQ(jsonText(c.value, ONE_LINE), c.text) << c.what;
}

TEST(JsonLayout, BreaksLinesOnlyInTheContainersItsPathsName) {
    constexpr JsonBreaks BREAKS[] = {
        {.path = "", .lines = {.open = "\n  ", .separator = ",\n  ", .close = "\n"}},
        {.path = "/rows/*", .lines = {.open = "", .separator = ",\n    ", .close = ""}},
    };
    const Json document = {{"rows", {{1, 2}, Json::array(), {3}}}, {"keep", {{"a", 1}, {"b", {4, 5}}}}};
    EXPECT_EQ(jsonText(document, {.nameSeparator = ":", .separator = ",", .breaks = BREAKS}),
              "{\n  \"rows\":[[1,\n    2],[],[3]],\n  \"keep\":{\"a\":1,\"b\":[4,5]}\n}");
}

}  // namespace
