// The shared tokenizer: one scan position for the whole program, the token
// buffer GetTokenBuf and backslash escapes; the terminal line reader, the
// splitter into an argument vector and the in-place sort of delimited lists.
#include "utils.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <strings.h>

char* szIn = nullptr;
char* szTokenIn = nullptr;
char chTokenDel = '\0';
char GetTokenBuf[TOKEN_BUF_SIZE];

namespace {

bool IsDelim(const char* delims, char c) {
    return c != '\0' && delims != nullptr && std::strchr(delims, c) != nullptr;
}

// The character that a backslash followed by c stands for.
char Unescape(char c) {
    switch (c) {
    case 'n':
        return '\n';
    case 'r':
        return '\r';
    case 't':
        return '\t';
    default:
        return c;
    }
}

// Where a scan of the shared tokenizers starts: a string starts a new scan at
// its first character, null goes on at the current position, TOKEN_LINE_MODE
// goes on there and refuses a token that ends at a line feed.
struct ScanStart {
    const char* at;
    bool lineMode;
};

ScanStart ChooseStart(const char* in, const char* current) {
    if (in == TOKEN_LINE_MODE)
        return {current, true};
    return {in != nullptr ? in : current, false};
}

enum class ScanResult { Token, Empty, Refused };

// Copies the next token at p into out, decoding escapes, and leaves p just
// behind the delimiter that ended it (or at the end of the input). out keeps at
// most cap - 1 characters and a NUL; the rest of a longer token is passed over
// so that the scan stays in step with the input.
ScanResult CopyToken(const char*& p, const char* delims, bool lineMode, char* out,
                     std::size_t cap) {
    std::size_t count = 0; // token characters seen, kept or not
    const auto put = [&](char c) {
        if (count + 1 < cap)
            out[count] = c;
        ++count;
    };
    const auto end = [&] { out[count + 1 < cap ? count : cap - 1] = '\0'; };
    for (;;) {
        const char c = *p;
        if (c == '\0')
            break;
        if (c == '\\') {
            ++p;
            if (*p == '\0') // a backslash at the very end ends the scan
                break;
            put(Unescape(*p++));
            continue;
        }
        if (IsDelim(delims, c)) {
            end();
            chTokenDel = c;
            ++p;
            if (count == 0)
                continue; // leading delimiters are skipped
            if (lineMode && c == '\n')
                return ScanResult::Refused;
            break;
        }
        put(c);
        ++p;
    }
    end();
    return count != 0 ? ScanResult::Token : ScanResult::Empty;
}

} // namespace

char* Gets(char* buf, int n) {
    if (buf == nullptr || n < 1)
        return nullptr;
    const int m = n - 1;
    buf[0] = '\0';
    int i = 0;
    for (; i < m; ++i) {
        const int c = std::getchar();
        if (c == EOF) {
            buf[i] = '\0';
            return buf[0] != '\0' ? buf : nullptr;
        }
        buf[i] = static_cast<char>(c);
        if (c == '\n')
            break;
    }
    buf[i] = '\0';
    return buf;
}

void SetTokenBuf(char* p) {
    szIn = p;
    szTokenIn = p;
}

char* GetTokenBufInput() {
    return szIn;
}

char* GetToken(const char* in, const char* delims) {
    chTokenDel = '\0';
    auto [p, lineMode] = ChooseStart(in, szIn);
    if (p == nullptr)
        return nullptr;
    const ScanResult r = CopyToken(p, delims, lineMode, GetTokenBuf, TOKEN_BUF_SIZE);
    szIn = const_cast<char*>(p);
    if (r == ScanResult::Refused)
        return nullptr;
    szTokenIn = szIn;
    return r == ScanResult::Token ? GetTokenBuf : nullptr;
}

// out must hold the longest token of the input and a NUL; a buffer as long as
// the rest of the input is always enough.
char* GetTokenD(const char* in, const char* delims, char** pos, char* out) {
    chTokenDel = '\0';
    if (pos == nullptr || out == nullptr)
        return nullptr;
    auto [p, lineMode] = ChooseStart(in, *pos);
    if (p == nullptr)
        return nullptr;
    const ScanResult r = CopyToken(p, delims, lineMode, out, SIZE_MAX);
    if (r == ScanResult::Refused)
        return nullptr;
    *pos = const_cast<char*>(p);
    return r == ScanResult::Token ? out : nullptr;
}

char* GetTokenParse(char* in, const char* delims) {
    chTokenDel = '\0';
    const ScanStart start = ChooseStart(in, szIn);
    if (start.at == nullptr)
        return nullptr;
    char* p = const_cast<char*>(start.at);
    char* token = p;
    bool counted = false;
    for (;;) {
        const char c = *p;
        if (c == '\0')
            break;
        if (c == '\\') {
            // The escape stays in the token; the escaped character never ends it.
            counted = true;
            if (*++p == '\0')
                break;
            ++p;
            continue;
        }
        if (IsDelim(delims, c)) {
            chTokenDel = c;
            *p++ = '\0';
            if (!counted) {
                token = p;
                continue;
            }
            if (start.lineMode && c == '\n') {
                szIn = p;
                return nullptr;
            }
            break;
        }
        counted = true;
        ++p;
    }
    szIn = p;
    szTokenIn = p;
    return *token != '\0' ? token : nullptr;
}

int ParseStr(char* s, const char* delims, char** argv, int max) {
    if (argv == nullptr)
        return 0;
    for (int i = 0; i < max; ++i)
        argv[i] = nullptr;
    if (s == nullptr || max <= 0)
        return 0;
    int count = 0;
    while (*s != '\0' && count < max) {
        while (IsDelim(delims, *s))
            ++s;
        if (*s == '\0')
            break;
        argv[count++] = s;
        while (*s != '\0' && !IsDelim(delims, *s))
            ++s;
        if (*s != '\0')
            *s++ = '\0';
    }
    return count;
}

char* GetTokenN(const char* in, const char* delims, int n) {
    char* token = GetToken(in, delims);
    for (; n > 1 && token != nullptr; --n)
        token = GetToken(nullptr, delims);
    return token;
}

int GetTokenCount(const char* in, const char* delims) {
    char* const savedIn = szIn;
    char* const savedTokenIn = szTokenIn;
    std::array<char, TOKEN_BUF_SIZE> savedBuf;
    std::memcpy(savedBuf.data(), GetTokenBuf, savedBuf.size());

    int count = 0;
    for (const char* t = GetToken(in, delims); t != nullptr; t = GetToken(nullptr, delims))
        ++count;

    szIn = savedIn;
    szTokenIn = savedTokenIn;
    std::memcpy(GetTokenBuf, savedBuf.data(), savedBuf.size());
    return count;
}

// A selection sort of the items of s; every item is moved with its own
// delimiter, so a last item without one gains one: s needs room for one
// character more than its length.
void SortTokens(char* s, char d, char ignoreCase) {
    if (s == nullptr)
        return;
    char* out = s; // leading delimiters stay where they are
    while (*out != '\0' && *out == d)
        ++out;
    std::string rest(out);

    // Length of the item at `from`, its delimiter included when it has one; an
    // escaped delimiter does not end an item.
    const auto itemLength = [&](std::size_t from) -> std::size_t {
        const char* start = rest.c_str() + from;
        const char* delim = StrChr(start, d);
        return delim != nullptr ? static_cast<std::size_t>(delim - start) + 1 : std::strlen(start);
    };
    const auto less = [ignoreCase](const char* a, const char* b, std::size_t n) {
        return (ignoreCase != 0 ? strncasecmp(a, b, n) : std::strncmp(a, b, n)) < 0;
    };

    while (!rest.empty()) {
        std::size_t best = 0;
        std::size_t bestLength = itemLength(0);
        for (std::size_t at = bestLength; at < rest.size();) {
            const std::size_t length = itemLength(at);
            if (less(rest.c_str() + at, rest.c_str() + best, length)) {
                best = at;
                bestLength = length;
            }
            at += length;
        }
        std::memcpy(out, rest.data() + best, bestLength);
        out += bestLength;
        *out = '\0';
        rest.erase(best, bestLength);
        if (out[-1] != d && !rest.empty()) {
            *out++ = d;
            *out = '\0';
        }
    }
}
