// The one platform service the module formats with: wsprintfA. Windows builds
// take the real one from USER32; elsewhere a small one of our own stands in.
#pragma once

#if defined(_WIN32)
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
// The conversions the module uses: %d with an optional width, %s, %%, and
// literal text. Like the Windows function it writes at most 1024 bytes,
// the terminator included, and returns the number of characters written.
extern "C" int wsprintfA(char* out, const char* format, ...);
#endif
