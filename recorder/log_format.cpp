// The log's text from its schema (schema/log_schema.h): the header line and
// every row walk the same column table, a row with its sources beside it.
#include "recorder/log_format.h"

#include <limits>
#include <string_view>

#include "module/convert.h"
#include "readouts/format.h"
#include "recorder/log_sources.h"
#include "schema/log_schema.h"

namespace {

// The longest text a column can produce: a decimal column writes the largest
// double in full, an integer column a sign and ten digits.
constexpr std::size_t widestField(const LogColumn& column) {
    constexpr int DOUBLE_INTEGER_DIGITS = std::numeric_limits<double>::max_exponent10 + 1;
    constexpr int INT32_CHARS = 11;
    const int widest =
        column.kind == LogColumnKind::Decimal ? 1 + DOUBLE_INTEGER_DIGITS + 1 + column.decimals : INT32_CHARS;
    return static_cast<std::size_t>(widest > column.width ? widest : column.width);
}

constexpr std::size_t widestRow() {
    std::size_t length = LOG_COLUMN_COUNT - 1;  // separators
    for (const LogColumn& column : LOG_COLUMNS) length += widestField(column);
    return length;
}

static_assert(widestRow() < LOG_LINE_BUFFER_SIZE, "a row must fit its buffer whole");
static_assert(logHeaderLength() < LOG_LINE_BUFFER_SIZE);

// Appends to a NUL-terminated text without ever passing its buffer.
class LineBuilder {
public:
    LineBuilder(char* out, std::size_t size) : out_(out), size_(size) {
        if (size_ > 0) out_[0] = '\0';
    }
    void separator() {
        if (room() > 1) {
            out_[length_++] = LOG_FIELD_SEPARATOR;
            out_[length_] = '\0';
        }
    }
    void text(std::string_view piece) {
        for (char c : piece) {
            if (room() <= 1) break;
            out_[length_++] = c;
        }
        if (size_ > 0) out_[length_] = '\0';
    }
    // A formatter that writes at most size - 1 characters and a NUL at the end.
    template <typename Formatter>
    void field(Formatter format) {
        if (room() > 0) length_ += format(out_ + length_, room());
    }
    std::size_t length() const { return length_; }

private:
    std::size_t room() const { return size_ - length_; }

    char* out_;
    std::size_t size_;
    std::size_t length_ = 0;
};

std::size_t formatField(char* out, std::size_t size, const LogColumn& column, const LogSource& source,
                        std::int32_t rowIndex, const LatestValuesRecord& values) {
    switch (column.kind) {
        case LogColumnKind::RowIndex: return formatInteger(out, size, rowIndex, column.width);
        case LogColumnKind::Decimal:
            return formatDecimal(out, size, values.*source.number, Decimal{column.width, column.decimals});
        case LogColumnKind::Truncated:
            return formatInteger(out, size, truncateToInt32(values.*source.number), column.width);
        case LogColumnKind::Flag: return formatInteger(out, size, values.*source.flag, column.width);
    }
    return 0;
}

}  // namespace

std::size_t formatLogHeader(char* out, std::size_t size) {
    LineBuilder line(out, size);
    for (const LogColumn& column : LOG_COLUMNS) {
        if (&column != &LOG_COLUMNS[0]) line.separator();
        line.text(column.name);
    }
    return line.length();
}

std::size_t formatLogRow(char* out, std::size_t size, std::int32_t rowIndex, const LatestValuesRecord& values) {
    LineBuilder line(out, size);
    for (std::size_t i = 0; i < LOG_COLUMN_COUNT; ++i) {
        if (i != 0) line.separator();
        line.field([&](char* fieldOut, std::size_t fieldSize) {
            return formatField(fieldOut, fieldSize, LOG_COLUMNS[i], LOG_SOURCES[i], rowIndex, values);
        });
    }
    return line.length();
}
