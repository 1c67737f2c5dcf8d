// A JSON document written out in the layout its readers know. The document is
// an nlohmann::ordered_json (members keep the order they were added in), and
// the library escapes every string and key, turning bytes that are not UTF-8
// into U+FFFD; this writer only chooses where the line breaks go and writes
// numbers as the log tools write them (the shortest exact form, no exponent,
// null when not finite), so outputs keep the numbers people already read.
#pragma once

#include <nlohmann/json.hpp>
#include <span>
#include <string>
#include <string_view>

namespace vorlat::flightlog {

using Json = nlohmann::ordered_json;

// Where a container that breaks its lines puts the breaks (and the indents after them).
struct JsonLines {
    std::string_view open;       // after "{" or "["
    std::string_view separator;  // between members or elements
    std::string_view close;      // before "}" or "]"
};

// A container that breaks its lines, found by its path from the root: "" for
// the root, "/columns" for a member, "/flights/*" for every element of an array.
struct JsonBreaks {
    std::string_view path;
    JsonLines lines;
};

// Every container not listed stays on one line. Empty ones are always "{}" or "[]".
struct JsonLayout {
    std::string_view nameSeparator;  // between a member's name and its value: ": " or ":"
    std::string_view separator;      // between the members of a one-line container: ", " or ","
    std::span<const JsonBreaks> breaks;
};

void appendJson(std::string& out, const Json& value, const JsonLayout& layout);
std::string jsonText(const Json& value, const JsonLayout& layout);

// A number as the log tools write it in JSON: null when not finite.
Json jsonNumber(double value);
// The number when it exists, null otherwise.
Json jsonNumberIf(bool exists, double value);

}  // namespace vorlat::flightlog
