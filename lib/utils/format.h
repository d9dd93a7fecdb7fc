// Formatting into a std::string for the library's own use. The text is
// measured first, so that a result of any length is kept whole; short texts
// are formatted only once.
#pragma once

#include "utils.h"

#include <cstdarg>
#include <string>

// Appends fmt formatted with ap to text; an encoding error appends nothing.
void AppendFormatV(std::string& text, const char* fmt, va_list ap) ZV_PRINTF(2, 0);
