// The log's columns, declared once. To add a column: add one row to
// LOG_COLUMNS; the header line and every row follow from it.
#include "recorder/log_format.h"

#include <iterator>
#include <limits>
#include <string_view>

#include "module/convert.h"
#include "readouts/format.h"

namespace {

enum class ColumnKind {
    RowIndex,   // the recorder's sample counter, "%5d"
    Decimal,    // a double as "%W.Pf"
    Truncated,  // a double truncated toward zero, "%Wd"
    Flag,       // a 32-bit integer as it is, "%Wd"
};

struct LogColumn {
    std::string_view name;
    ColumnKind kind;
    int width;
    int precision = 0;
    double LatestValuesRecord::* number = nullptr;
    std::int32_t LatestValuesRecord::* flag = nullptr;
};

constexpr int FIELD_WIDTH = 5;
constexpr int FLAG_WIDTH = 1;

constexpr LogColumn rowIndexColumn(std::string_view name) {
    return {.name = name, .kind = ColumnKind::RowIndex, .width = FIELD_WIDTH};
}
constexpr LogColumn decimalColumn(std::string_view name, int precision, double LatestValuesRecord::* source) {
    return {.name = name, .kind = ColumnKind::Decimal, .width = FIELD_WIDTH, .precision = precision, .number = source};
}
constexpr LogColumn truncatedColumn(std::string_view name, double LatestValuesRecord::* source) {
    return {.name = name, .kind = ColumnKind::Truncated, .width = FIELD_WIDTH, .number = source};
}
constexpr LogColumn flagColumn(std::string_view name, std::int32_t LatestValuesRecord::* source) {
    return {.name = name, .kind = ColumnKind::Flag, .width = FLAG_WIDTH, .flag = source};
}

// clang-format off
constexpr LogColumn LOG_COLUMNS[] = {
    rowIndexColumn ("index"),
    decimalColumn  ("TAS",   1, &LatestValuesRecord::tas),
    decimalColumn  ("IAS",   1, &LatestValuesRecord::ias),
    truncatedColumn("alt",      &LatestValuesRecord::alt),
    decimalColumn  ("pitch", 2, &LatestValuesRecord::pitch),
    truncatedColumn("climb",    &LatestValuesRecord::climb),
    decimalColumn  ("gforc", 2, &LatestValuesRecord::gforc),
    truncatedColumn("hdng",     &LatestValuesRecord::hdng),
    truncatedColumn("turn",     &LatestValuesRecord::turn),
    decimalColumn  ("bank",  1, &LatestValuesRecord::bank),
    truncatedColumn("roll",     &LatestValuesRecord::roll),
    decimalColumn  ("prop",  1, &LatestValuesRecord::prop),
    truncatedColumn("hp",       &LatestValuesRecord::hp),
    truncatedColumn("thrst",    &LatestValuesRecord::thrst),
    decimalColumn  ("AoA",   2, &LatestValuesRecord::aoa),
    flagColumn     ("Stall",    &LatestValuesRecord::stall),
};
// clang-format on

constexpr char FIELD_SEPARATOR = '\t';

// The longest text a column can produce: a decimal column writes the largest
// double in full, an integer column a sign and ten digits.
constexpr std::size_t widestField(const LogColumn& column) {
    constexpr int DOUBLE_INTEGER_DIGITS = std::numeric_limits<double>::max_exponent10 + 1;
    constexpr int INT32_CHARS = 11;
    const int widest = column.kind == ColumnKind::Decimal ? 1 + DOUBLE_INTEGER_DIGITS + 1 + column.precision
                                                          : INT32_CHARS;
    return static_cast<std::size_t>(widest > column.width ? widest : column.width);
}

constexpr std::size_t widestRow() {
    std::size_t length = std::size(LOG_COLUMNS) - 1;  // separators
    for (const LogColumn& column : LOG_COLUMNS) length += widestField(column);
    return length;
}

constexpr std::size_t headerLength() {
    std::size_t length = std::size(LOG_COLUMNS) - 1;
    for (const LogColumn& column : LOG_COLUMNS) length += column.name.size();
    return length;
}

// Each column names its source exactly when its kind needs one, and names
// are non-empty, free of separators and line breaks, and unique.
constexpr bool columnsAreSound() {
    for (std::size_t i = 0; i < std::size(LOG_COLUMNS); ++i) {
        const LogColumn& column = LOG_COLUMNS[i];
        const bool needsNumber = column.kind == ColumnKind::Decimal || column.kind == ColumnKind::Truncated;
        if ((column.number != nullptr) != needsNumber) return false;
        if ((column.flag != nullptr) != (column.kind == ColumnKind::Flag)) return false;
        if (column.name.empty() || column.name.find_first_of("\t\r\n") != std::string_view::npos) return false;
        for (std::size_t j = 0; j < i; ++j) {
            if (LOG_COLUMNS[j].name == column.name) return false;
        }
    }
    return LOG_COLUMNS[0].kind == ColumnKind::RowIndex;
}

static_assert(std::size(LOG_COLUMNS) == 16, "a row has sixteen values");
static_assert(columnsAreSound());
static_assert(widestRow() < LOG_LINE_BUFFER_SIZE, "a row must fit its buffer whole");
static_assert(headerLength() < LOG_LINE_BUFFER_SIZE);

// Appends to a NUL-terminated text without ever passing its buffer.
class LineBuilder {
public:
    LineBuilder(char* out, std::size_t size) : out_(out), size_(size) {
        if (size_ > 0) out_[0] = '\0';
    }
    void separator() {
        if (room() > 1) {
            out_[length_++] = FIELD_SEPARATOR;
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

std::size_t formatField(char* out, std::size_t size, const LogColumn& column, std::int32_t rowIndex,
                        const LatestValuesRecord& values) {
    switch (column.kind) {
        case ColumnKind::RowIndex:
            return formatInteger(out, size, rowIndex, column.width);
        case ColumnKind::Decimal:
            return formatDecimal(out, size, values.*column.number, Decimal{column.width, column.precision});
        case ColumnKind::Truncated:
            return formatInteger(out, size, truncateToInt32(values.*column.number), column.width);
        case ColumnKind::Flag:
            return formatInteger(out, size, values.*column.flag, column.width);
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
    for (const LogColumn& column : LOG_COLUMNS) {
        if (&column != &LOG_COLUMNS[0]) line.separator();
        line.field([&](char* fieldOut, std::size_t fieldSize) {
            return formatField(fieldOut, fieldSize, column, rowIndex, values);
        });
    }
    return line.length();
}
