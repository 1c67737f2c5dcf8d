// Locale-free number text for the log tools: the summary, the CSV export, the
// plot's labels and the replay's report all write numbers (and counted words) through here.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vorlat::flightlog {

// Fixed decimals, or the shortest form that reads back exactly (never an
// exponent) when decimals < 0. A value that rounds to zero reads "0", "0.0",
// never "-0.0"; values that are not finite read "nan", "inf" and "-inf".
void appendNumber(std::string& text, double value, int decimals);
std::string numberText(double value, int decimals);
// "1 row", "2 rows": the count and the word that goes with it.
std::string countedText(std::uint64_t count, std::string_view one, std::string_view many);

}  // namespace vorlat::flightlog
