// The pieces of text the summary's outputs are made of: padded table cells
// and times; and the events as table lines and as JSON, shared by the
// one-flight and the several-flight outputs (log_summary_output.cpp,
// log_summary_compare.cpp).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "tools/log/json_layout.h"
#include "tools/log/log_summary.h"

namespace vorlat::flightlog::summary_text {

std::string padLeft(const std::string& text, std::size_t width);
std::string padRight(std::string text, std::size_t width);
// Times to the millisecond, without trailing zeros but with at least one decimal.
std::string timeText(double value);
std::string clockText(double value);  // h:mm:ss ("0:02:20", "57:42:34.5"); timeText when negative or huge
bool readsAsClock(double value);      // from an hour on, times print as a clock
std::string seconds(double value);    // timeText and " s"; from an hour on h:mm:ss ("57:42:34.5")
std::string count(std::size_t value);
std::string plural(std::size_t n, std::string_view one, std::string_view many);

// What happened, as an events line gives it after the time.
std::string eventText(const Event& event);
// The events under a heading line ("Events        4 in time order"), one line each.
std::string eventsTable(const EventList& events);
// The events as an array of objects, one per event with the members it has.
Json eventsJson(const EventList& events);

}  // namespace vorlat::flightlog::summary_text
