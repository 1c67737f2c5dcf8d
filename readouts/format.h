// Number formatting for the panel texts, free of any host or module state so
// that tests and the host tools can link it on its own.
//
// Every function writes at most size - 1 characters and a NUL (nothing at all
// when size is 0) and returns the number of characters written. Texts are
// locale-free: the decimal point is always a full stop.
#pragma once

#include <cstddef>
#include <cstdint>

// The local buffer a readout formats into before it copies the text to the host.
inline constexpr std::size_t FORMAT_BUFFER_SIZE = 32;

struct Decimal {
    int width;
    int precision;
    bool zeroPad = false;
};

// What printf "%W.Pf" ("%0W.Pf" with zeroPad) prints, correctly rounded, built
// on std::to_chars; not-finite values as "nan", "inf", "-inf" padded with
// spaces to the width. Precisions above 40 are taken as 40.
std::size_t formatDecimal(char* out, std::size_t size, double value, Decimal format);

// What "%Wd" prints for a 32-bit integer.
std::size_t formatInteger(char* out, std::size_t size, std::int32_t value, int width);

// What "%0Wd" prints for a 32-bit integer (zeros after the sign).
std::size_t formatZeroPaddedInteger(char* out, std::size_t size, std::int32_t value, int width);

// A text composed piece by piece in a FORMAT_BUFFER_SIZE buffer; pieces that do
// not fit are cut, and the text stays NUL-terminated.
class BoundedText {
public:
    BoundedText& put(char c);
    BoundedText& decimal(double value, Decimal format);
    BoundedText& zeroPadded(std::int32_t value, int width);

    const char* c_str() const { return data_; }
    std::size_t length() const { return length_; }

private:
    char* tail() { return data_ + length_; }
    std::size_t room() const { return FORMAT_BUFFER_SIZE - length_; }

    char data_[FORMAT_BUFFER_SIZE] = {};
    std::size_t length_ = 0;
};
