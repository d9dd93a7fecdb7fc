// Error reports: the fatal reporter with the system's error text, the
// levelled reporter and the plain one.
#include "utils.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

char* my_name = nullptr;
char Line[LINE_SIZE];

namespace {
const char* ProgramName() {
    return my_name ? my_name : "";
}
} // namespace

void SysError(const char* fmt, ...) {
    const int saved = errno;
    std::fprintf(stderr, "\n%s: ", ProgramName());
    va_list ap;
    va_start(ap, fmt);
    std::vfprintf(stderr, fmt, ap);
    va_end(ap);
    std::fputs(" : ", stderr);
    errno = saved;
    std::perror(nullptr);
    std::exit(1);
}

void ErrorMsg(int level, int status, const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    std::vsnprintf(Line, sizeof Line, fmt, ap);
    va_end(ap);
    if (level == 1) {
        std::fprintf(stderr, "WARNING: %s\n", Line);
    } else if (level == 2) {
        std::fprintf(stderr, common_116, Line);
        std::exit(status);
    }
}

void errormsg(const char* fmt, ...) {
    std::fprintf(stderr, "%s: ", ProgramName());
    va_list ap;
    va_start(ap, fmt);
    std::vfprintf(stderr, fmt, ap);
    va_end(ap);
    std::fputc('\n', stderr);
}

void exit_app(int status) {
    std::exit(status);
}
