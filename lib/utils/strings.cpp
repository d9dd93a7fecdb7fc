// Saved strings and the library's string helpers.
#include "MemMgr.h"
#include "format.h"
#include "utils.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

// A pool allocation of exactly len + 1 bytes; out of memory ends the process.
char* SavedArea(std::size_t len) {
    auto* p = static_cast<char*>(GetMem(static_cast<int>(len + 1)));
    if (!p)
        SysError("%s", common_109);
    return p;
}

char* SaveFormatted(const char* fmt, va_list ap) {
    std::string text;
    AppendFormatV(text, fmt, ap);
    char* p = SavedArea(text.size());
    std::memcpy(p, text.c_str(), text.size() + 1);
    return p;
}

} // namespace

void AppendFormatV(std::string& text, const char* fmt, va_list ap) {
    va_list again;
    va_copy(again, ap);
    char small[512];
    const int len = std::vsnprintf(small, sizeof small, fmt, ap);
    if (len > 0) {
        if (static_cast<std::size_t>(len) < sizeof small) {
            text.append(small, static_cast<std::size_t>(len));
        } else {
            const std::size_t at = text.size();
            text.resize(at + static_cast<std::size_t>(len) + 1);
            std::vsnprintf(text.data() + at, static_cast<std::size_t>(len) + 1, fmt, again);
            text.resize(at + static_cast<std::size_t>(len));
        }
    }
    va_end(again);
}

char* SaveStr(const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    char* p = SaveFormatted(fmt, ap);
    va_end(ap);
    return p;
}

char* SaveStr__(const char* fmt, ...) {
    if (!fmt)
        return nullptr;
    va_list ap;
    va_start(ap, fmt);
    char* p = SaveFormatted(fmt, ap);
    va_end(ap);
    return p;
}

char* SaveStr_(const char* s) {
    const std::size_t len = std::strlen(s);
    char* p = SavedArea(len);
    std::memcpy(p, s, len + 1);
    return p;
}

char* GetEnv(const char* name) {
    const char* value = std::getenv(name);
    return value ? SaveStr_(value) : nullptr;
}

char* GetHostname() {
    char name[256];
    if (gethostname(name, sizeof name) != 0)
        return nullptr;
    name[sizeof name - 1] = '\0';
    char* p = SaveStr_(name);
    // Cut at the first line end that follows other characters.
    char* s = p + std::strspn(p, "\n\r");
    s[std::strcspn(s, "\n\r")] = '\0';
    return p;
}

namespace {

template <typename Same> char* SearchSub(const char* s, const char* sub, Same same) {
    if (!s || !sub)
        return nullptr;
    for (const char* p = s; *p; ++p) {
        if (!same(*p, *sub))
            continue;
        const char* a = p;
        const char* b = sub;
        while (*a && *b && same(*a, *b)) {
            ++a;
            ++b;
        }
        if (!*b)
            return const_cast<char*>(p);
    }
    return nullptr;
}

} // namespace

char* StrStr(const char* s, const char* sub) {
    return SearchSub(s, sub, [](char a, char b) { return a == b; });
}

char* StrCaseStr(const char* s, const char* sub) {
    return SearchSub(s, sub, [](char a, char b) {
        return std::toupper(static_cast<unsigned char>(a)) ==
               std::toupper(static_cast<unsigned char>(b));
    });
}

char* StrNStr(const char* s, const char* sub, int n) {
    if (!s || !*s || !sub || n < 1)
        return nullptr;
    const char* p = std::strstr(s, sub);
    while (p && --n > 0)
        p = std::strstr(p + 1, sub);
    return const_cast<char*>(p);
}

char* StrChr(const char* s, int ch) {
    if (!s || ch == 0)
        return nullptr;
    for (const char* p = s; *p; ++p) {
        if (*p == '\\') {
            if (!*++p)
                break;
            continue;
        }
        if (*p == static_cast<char>(ch))
            return const_cast<char*>(p);
    }
    return nullptr;
}

char* StrNChr(const char* s, char ch, int n) {
    if (!s || n < 1)
        return nullptr;
    for (const char* p = s; *p; ++p)
        if (*p == ch && --n == 0)
            return const_cast<char*>(p);
    return nullptr;
}

int StrLen(const char* s) {
    return static_cast<int>(std::strlen(s));
}

void SetVarContent(void* dst, const void* src, int n, char reverse) {
    auto* d = static_cast<unsigned char*>(dst);
    const auto* s = static_cast<const unsigned char*>(src);
    for (int i = 0; i < n; ++i)
        d[i] = reverse ? s[n - 1 - i] : s[i];
}

double MaxD(double a, double b) {
    return a > b ? a : b;
}

float CvtFloatFormat(int from, int to, float value) {
    if (from < 0 || from > 2 || to < 0 || to > 2)
        return value;
    const double v = value;
    switch (from * 10 + to) {
    case 10:
        return static_cast<float>(v / 2.54);
    case 20:
        return static_cast<float>(v / 72);
    case 1:
        return static_cast<float>(v * 2.54);
    case 21:
        return static_cast<float>(v / 72 * 2.54);
    case 2:
        return static_cast<float>(v * 72);
    case 12:
        return static_cast<float>(v / 2.54 * 72);
    default:
        return value;
    }
}

char* StripAllBackslashes(char* s) {
    if (!s)
        return s;
    char* out = s;
    for (const char* p = s; *p; ++p)
        if (*p != '\\')
            *out++ = *p;
    *out = '\0';
    return s;
}

char* StripNonPrint(char* s, char keepLineEnds) {
    if (!s)
        return nullptr;
    char* out = s;
    for (const char* p = s; *p; ++p) {
        const auto c = static_cast<unsigned char>(*p);
        if (std::isprint(c) || (keepLineEnds && (c == '\r' || c == '\n')))
            *out++ = *p;
    }
    *out = '\0';
    return s;
}
