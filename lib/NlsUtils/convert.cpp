// Texts built from messages: "%s" places filled with the messages of a set,
// and the check value of a text.
#include "nls_private.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>

char* NlsGuiStrCvt(const char* src, int set, char* dest, int destSize) {
    if (!dest || destSize <= 0)
        return dest;
    std::memset(dest, 0, static_cast<std::size_t>(destSize));
    if (!src)
        return dest;
    const std::size_t room = static_cast<std::size_t>(destSize) - 1;
    std::size_t len = 0;
    const auto append = [&](const char* text, std::size_t n) {
        n = std::min(n, room - len);
        std::memcpy(dest + len, text, n);
        len += n;
    };

    char scratch[NLS_CVT_SCRATCH_SIZE];
    int k = 0;
    for (const char* p = src; *p && len < room;) {
        if (p[0] == '%' && p[1] == 's') {
            std::memset(scratch, 0, sizeof scratch);
            ++k;
            // Set 0 has no keys: nothing is inserted for it.
            if (set != 0)
                nls::ReleaseText(nls::FetchNumbered(pDrvCoreDB, scratch, sizeof scratch, set, k),
                                 scratch);
            append(scratch, std::strlen(scratch));
            p += 2;
        } else {
            append(p, 1);
            ++p;
        }
    }
    return dest;
}

char* NlsCalcStrVal(const char* text) {
    static char value[32];
    std::uint32_t sum = 0;
    std::uint32_t weighted = 0;
    if (text) {
        std::uint32_t i = 1;
        for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p, ++i) {
            sum += *p;
            weighted += *p * i * i;
        }
    }
    std::snprintf(value, sizeof value, "%08X%08X", static_cast<unsigned>(weighted),
                  static_cast<unsigned>(sum));
    return value;
}
