#include "readouts/pipeline.h"

#include "module/convert.h"
#include "module/platform.h"

void show(TextElement& box, const BoundedText& text) { wsprintfA(box.text, "%s", text.c_str()); }

void show(TextElement& box, double value, DecimalText format) {
    BoundedText text;
    text.decimal(value, format.number);
    if (format.unit != '\0') text.put(format.unit);
    show(box, text);
}

void show(TextElement& box, double value, IntegerText format) {
    // At most 11 digits and sign plus the unit: far inside the host's buffer.
    wsprintfA(box.text, format.pattern, static_cast<int>(truncateToInt32(value)));
}

double refreshed(ModuleVariable& variable) {
    hostServices()->refreshVariable(&variable);
    return variable.value;
}
