// What every readout shares: the two text paths into the host's buffer.
//
// How to add a readout: add its field to TextField (panel/elements.h) and its
// row, naming the readout, at the same place in panel/elements.cpp; declare it
// in readouts.h and write it as the others are written, reaching its element
// as element(TextField::...):
//   1. take the raw value (argument, own variable, data block word),
//   2. convert it with the named constants of readouts/constants.h,
//   3. set the element's colour if it has a colour rule,
//   4. show() the value with its text format,
//   5. publish it in LatestValues if the recorder writes it,
//   6. return what the host is to get back.
#pragma once

#include <cstdint>

#include "module/linkage.h"
#include "readouts/format.h"

// A format with a fractional part ("%5.1f", "%4.1f#"): formatted into a local
// FORMAT_BUFFER_SIZE buffer, cut there if longer, then copied with "%s".
struct DecimalText {
    Decimal number;
    char unit = '\0';  // written after the number, none when NUL
};

// An integer format ("%5d", "%4d%%"): the value is truncated toward zero to
// 32 bits and written by wsprintfA directly.
struct IntegerText {
    const char* pattern;
};

inline constexpr DecimalText ONE_DECIMAL{{.width = 5, .precision = 1}};                  // "%5.1f"
inline constexpr DecimalText TWO_DECIMALS{{.width = 5, .precision = 2}};                 // "%5.2f"
inline constexpr DecimalText PSI_ONE_DECIMAL{{.width = 4, .precision = 1}, '#'};         // "%4.1f#"
inline constexpr DecimalText FAHRENHEIT_ONE_DECIMAL{{.width = 4, .precision = 1}, 'F'};  // "%4.1fF"
inline constexpr IntegerText WHOLE{"%5d"};
inline constexpr IntegerText PERCENT_WHOLE{"%4d%%"};
inline constexpr IntegerText FAHRENHEIT_WHOLE{"%4dF"};
inline constexpr IntegerText PSI_WHOLE{"%4d#"};

void show(TextElement& box, double value, DecimalText format);
void show(TextElement& box, double value, IntegerText format);
void show(TextElement& box, const BoundedText& text);

// A module variable brought up to date by the host.
double refreshed(ModuleVariable& variable);
