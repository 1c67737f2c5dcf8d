// The row parser's two readings of one line held to one answer: whenever the
// fast single pass reads a row, the careful field-by-field reading reads it
// too, with the same value in every column (bit for bit) and the same text,
// and a field the fast pass calls canonical is the text the tools write for it.
// A line the fast pass leaves alone is the careful reading's alone to judge.
#include <cstdint>
#include <cstring>
#include <string>

#include "tests/fuzz/fuzz_checks.h"
#include "tools/log/number_text.h"
#include "tools/log/row_parser.h"

namespace {

using namespace vorlat::flightlog;

bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using vorlat::fuzz::finding;
    const std::string_view line = vorlat::fuzz::textOf(data, size);
    Row fast{}, careful{};
    RowText fastText, carefulText;
    RowProblem problem;
    const bool fastRead = parseRowFast(line, fast, fastText);
    const bool carefulRead = parseRowCareful(line, careful, carefulText, problem);
    if (!fastRead) return 0;
    if (!carefulRead) finding("a row the fast reading accepts and the careful one refuses", line);
    for (std::size_t c = 0; c < COLUMN_COUNT; ++c) {
        if (!sameBits(fast[c], careful[c]))
            finding("a field the two readings read as different numbers", fastText.fields[c]);
        if (fastText.fields[c] != carefulText.fields[c])
            finding("a field the two readings cut differently", fastText.fields[c]);
        if (fastText.isCanonical(c) && numberText(fast[c], COLUMNS[c].decimals) != fastText.fields[c])
            finding("a field called canonical that the tools would write otherwise", fastText.fields[c]);
    }
    return 0;
}
