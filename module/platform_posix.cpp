#include <cstdarg>
#include <cstdint>

#include "module/platform.h"  // IWYU pragma: keep

namespace {
constexpr int WSPRINTF_LIMIT = 1024;  // bytes, terminator included

struct BoundedWriter {
    char* out;
    int length = 0;
    bool put(char c) {
        if (length >= WSPRINTF_LIMIT - 1) return false;
        out[length++] = c;
        return true;
    }
};

void putPadded(BoundedWriter& w, const char* text, int textLength, int width) {
    for (int pad = width - textLength; pad > 0; --pad) {
        if (!w.put(' ')) return;
    }
    for (int i = 0; i < textLength; ++i) {
        if (!w.put(text[i])) return;
    }
}
}  // namespace

extern "C" int wsprintfA(char* out, const char* format, ...) {
    BoundedWriter w{out};
    va_list args;
    va_start(args, format);
    for (const char* p = format; *p != '\0'; ++p) {
        if (*p != '%') {
            if (!w.put(*p)) break;
            continue;
        }
        ++p;
        if (*p == '%') {
            if (!w.put('%')) break;
            continue;
        }
        int width = 0;
        while (*p >= '0' && *p <= '9') width = width * 10 + (*p++ - '0');
        if (*p == 'd') {
            const int value = va_arg(args, int);
            // Magnitude in unsigned so that INT_MIN needs no special case.
            auto magnitude = value < 0 ? 0u - static_cast<unsigned>(value) : static_cast<unsigned>(value);
            char digits[12];
            int n = 0;
            do {
                digits[sizeof digits - 1 - n++] = static_cast<char>('0' + magnitude % 10);
                magnitude /= 10;
            } while (magnitude != 0);
            if (value < 0) digits[sizeof digits - 1 - n++] = '-';
            putPadded(w, digits + sizeof digits - n, n, width);
        } else if (*p == 's') {
            const char* text = va_arg(args, const char*);
            int n = 0;
            while (text[n] != '\0' && n < WSPRINTF_LIMIT) ++n;
            putPadded(w, text, n, width);
        } else {
            break;  // not a conversion the module uses
        }
        if (*p == '\0') break;
    }
    va_end(args);
    out[w.length] = '\0';
    return w.length;
}
