// Reads fuzz input as a flight log and sums up everything the reader said, so
// two readings can be compared: the same bytes handed over whole or a few at a
// time (as a pipe hands them) must read the same, and the strict mode must
// accept exactly what the tolerant mode finds sound.
#pragma once

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "tests/fuzz/fuzz_checks.h"
#include "tools/log/log_reader.h"

namespace vorlat::fuzz {

// Counts and hashes the rows as they come, checking their segment numbers.
class DigestSink : public flightlog::RowSink {
public:
    void segmentStarted(const flightlog::SegmentStart& start) override {
        if (start.segment != segments) finding("segments not numbered in order", std::to_string(start.segment));
        ++segments;
    }
    void row(const flightlog::Row& row, const flightlog::RowText& text, std::size_t segment) override {
        if (segments == 0 || segment != segments - 1) finding("a row outside the segment just started", {});
        ++rows;
        mix(&row.values, sizeof row.values);
        mix(&segment, sizeof segment);
        for (const std::string_view field : text.fields) mix(field.data(), field.size());
    }
    std::size_t rows = 0, segments = 0;
    std::uint64_t hash = 14695981039346656037ull;

private:
    void mix(const void* data, std::size_t size) {
        const auto* bytes = static_cast<const unsigned char*>(data);
        for (std::size_t i = 0; i < size; ++i) hash = (hash ^ bytes[i]) * 1099511628211ull;
    }
};

// Everything one reading produced, as text: equal digests mean equal readings.
struct Digest {
    std::string summary;
    std::optional<std::string> error;
    flightlog::Damage damage;  // in the summary as well
    bool operator==(const Digest& other) const { return summary == other.summary && error == other.error; }
};

inline std::string describe(const flightlog::LogInfo& info, const DigestSink& sink) {
    std::string text = std::string(flightlog::endingKeyword(info.ending)) + " lines " + std::to_string(info.lineCount) +
                       " lf " + std::to_string(info.lfOnlyLines) + " rows " + std::to_string(info.rows) + " segments " +
                       std::to_string(info.segments) + " skipped " + std::to_string(info.skippedSamples) + " first " +
                       std::to_string(info.firstIndex.value_or(-1)) + " last " +
                       std::to_string(info.lastIndex.value_or(-1)) + " hash " + std::to_string(sink.hash);
    if (info.dropped) text += " dropped " + std::to_string(info.dropped->line) + " " + info.dropped->text;
    const flightlog::Damage& damage = info.damage;
    text += " damage " + std::to_string(damage.skippedLines) + " " + std::to_string(damage.trailingNulBytes);
    for (const std::size_t count : damage.lines) text += " " + std::to_string(count);
    for (const auto& line : damage.first) text += " @" + std::to_string(line.line) + " " + line.expected;
    return text;
}

// Reads `text`, handed over at most `step` bytes at a time.
inline Digest readDigest(std::string_view text, std::size_t step, bool strict) {
    flightlog::TextSource source(text, "fuzz.log", step);
    DigestSink sink;
    Digest digest;
    try {
        const flightlog::LogInfo info = flightlog::readLog(source, sink, {.strict = strict, .recording = std::nullopt});
        if (info.rows != sink.rows) finding("a row count other than the rows delivered", std::to_string(info.rows));
        if (info.rows == 0) finding("a log read without any row", {});
        if (info.segments != sink.segments) finding("a segment count other than the segments started", {});
        digest.summary = describe(info, sink);
        digest.damage = info.damage;
    } catch (const flightlog::LogFormatError& error) {
        requireSafeMessage(error.what());
        digest.error = error.what();
        digest.summary = "rows before the error " + std::to_string(sink.rows) + " hash " + std::to_string(sink.hash);
    }
    return digest;
}

// A step of 1 to 61 bytes that varies with the input, so pieces end everywhere.
inline std::size_t smallStep(const std::uint8_t* data, std::size_t size) {
    return 1 + (size == 0 ? 0 : (data[0] ^ data[size / 2] ^ size) % 61);
}

}  // namespace vorlat::fuzz
