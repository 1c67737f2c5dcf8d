// CSV rows appended to one buffer that goes out a megabyte at a time.
#include "tools/csv/log_csv.h"

#include <charconv>
#include <cmath>
#include <cstdint>

#include "tools/log/number_text.h"

namespace vorlat::flightlog {

namespace {

constexpr std::size_t FLUSH_BYTES = std::size_t{1} << 20;
constexpr double LARGEST_EXACT_HALVES = 1e15;

// Times are whole or half seconds at the usual tick rates: their shortest text
// written directly, anything else through numberText.
void appendTime(std::string& text, double seconds) {
    const double halves = seconds * 2;
    if (halves != std::trunc(halves) || !(std::fabs(halves) < LARGEST_EXACT_HALVES)) {
        appendNumber(text, seconds, -1);
        return;
    }
    const auto magnitude = static_cast<std::uint64_t>(std::fabs(halves));
    if (halves < 0 && magnitude != 0) text += '-';
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, magnitude / 2).ptr;
    text.append(digits, end);
    if (magnitude % 2 != 0) text += ".5";
}

// A field as RFC 4180 has it: quoted, its quotes doubled, when it holds a comma, a quote or a line break.
std::string csvField(std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
    std::string quoted = "\"";
    for (const char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

}  // namespace

CsvSink::CsvSink(CsvOutput output, double tickRate, bool flightColumn)
    : output_(std::move(output)), tickRate_(tickRate), flightColumn_(flightColumn) {
    buffer_.reserve(FLUSH_BYTES + FLUSH_BYTES / 8);
}

void CsvSink::startFlight(std::string_view label) {
    flightText_ = csvField(label) + ",";
    segmentText_.clear();  // segments count from 1 again
}

void CsvSink::writeHeader() {
    if (flightColumn_) buffer_ += "flight,";
    buffer_ += "time_s,segment";
    for (const ColumnInfo& column : COLUMNS) buffer_ += ',', buffer_ += column.csvName;
    buffer_ += "\r\n";
    started_ = true;
}

void CsvSink::row(const Row& row, const RowText& text, std::size_t segment) {
    if (!started_) writeHeader();
    if (segmentText_.empty() || segment != segment_) {
        segment_ = segment;
        segmentText_ = std::to_string(segment + 1);
    }
    if (flightColumn_) buffer_ += flightText_;
    appendTime(buffer_, timeOfIndex(row[INDEX], tickRate_));
    buffer_ += ',';
    buffer_ += segmentText_;
    for (std::size_t c = 0; c < COLUMN_COUNT; ++c) {
        buffer_ += ',';
        if (text.isCanonical(c)) buffer_ += text.fields[c];
        else appendNumber(buffer_, row[c], COLUMNS[c].decimals);
    }
    buffer_ += "\r\n";
    if (buffer_.size() >= FLUSH_BYTES) flush();
}

void CsvSink::flush() {
    output_(buffer_);
    buffer_.clear();
}

void CsvSink::finish() {
    if (!started_) writeHeader();
    flush();
}

void writeCsv(std::ostream& out, const FlightLog& log, double tickRate) {
    CsvSink sink([&](std::string_view text) { out.write(text.data(), static_cast<std::streamsize>(text.size())); },
                 tickRate);
    log.feed(sink);
    sink.finish();
}

}  // namespace vorlat::flightlog
