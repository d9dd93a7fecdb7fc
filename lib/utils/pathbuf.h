// Bounded formatting of path names into the fixed buffers of the openers and
// file readers. A path that does not fit its buffer is refused by the caller
// instead of being cut, so that no other file is opened by mistake.
#pragma once

#include "utils.h"

#include <cstdarg>
#include <cstddef>
#include <cstdio>

// Formats fmt into buf of size bytes. Returns true when the whole text fits;
// otherwise buf holds the text cut to size - 1 characters (empty after a
// formatting error) and false is returned.
ZV_PRINTF(3, 0)
inline bool FormatPathV(char* buf, std::size_t size, const char* fmt, std::va_list ap) {
    const int n = std::vsnprintf(buf, size, fmt, ap);
    if (n < 0) {
        buf[0] = '\0';
        return false;
    }
    return static_cast<std::size_t>(n) < size;
}

ZV_PRINTF(3, 4)
inline bool FormatPath(char* buf, std::size_t size, const char* fmt, ...) {
    std::va_list ap;
    va_start(ap, fmt);
    const bool fits = FormatPathV(buf, size, fmt, ap);
    va_end(ap);
    return fits;
}
