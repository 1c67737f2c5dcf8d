// The position lines: hemisphere letter, whole degrees, decimal minutes.
// The minutes are rounded by the text alone, so 59.999... shows as 60.00
// without carrying into the degrees.
#include <cmath>

#include "module/convert.h"
#include "panel/elements.h"
#include "readouts/constants.h"
#include "readouts/pipeline.h"
#include "readouts/readouts.h"

namespace {
constexpr Decimal MINUTES{.width = 5, .precision = 2, .zeroPad = true};  // "%05.2f"

struct PositionLayout {
    int degreeDigits;
    bool spaceAfterLetter;
};
constexpr PositionLayout LATITUDE_LAYOUT{.degreeDigits = 2, .spaceAfterLetter = true};    // "%c %02d %05.2f"
constexpr PositionLayout LONGITUDE_LAYOUT{.degreeDigits = 3, .spaceAfterLetter = false};  // "%c%03d %05.2f"

void showPosition(TextElement& line, char hemisphere, double degrees, PositionLayout layout) {
    const double wholeDegrees = std::floor(degrees);
    BoundedText text;
    text.put(hemisphere);
    if (layout.spaceAfterLetter) text.put(' ');
    text.zeroPadded(truncateToInt32(wholeDegrees), layout.degreeDigits).put(' ');
    text.decimal((degrees - wholeDegrees) * MINUTES_PER_DEGREE, MINUTES);
    show(line, text);
}
}  // namespace

// Returns the latitude in seconds of arc without its sign.
double latitudeReadout(double raw) {
    double seconds = raw * LATITUDE_FACTOR / LATITUDE_DIVISOR;
    char hemisphere = 'N';
    if (seconds < 0) {
        hemisphere = 'S';
        seconds = -seconds;
    }
    showPosition(element(TextField::LATITUDE), hemisphere, seconds / ARC_SECONDS_PER_DEGREE, LATITUDE_LAYOUT);
    return seconds;
}

// Returns the longitude in degrees after folding the west half.
double longitudeReadout(double raw) {
    double degrees = raw * LONGITUDE_FACTOR;
    char hemisphere = 'E';
    if (degrees > LONGITUDE_FOLD_LIMIT) {
        hemisphere = 'W';
        degrees = FULL_TURN_DEGREES - degrees;
    }
    showPosition(element(TextField::LONGITUDE), hemisphere, degrees, LONGITUDE_LAYOUT);
    return degrees;
}
