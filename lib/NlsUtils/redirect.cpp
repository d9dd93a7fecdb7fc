// Redirections of help texts: "$$target.redirect" stands for the help text
// of target.
#include "nls_private.h"

#include <cstring>
#include <strings.h>

char* FindRedirect(char* text) {
    if (!text)
        return nullptr;
    char* const mark = std::strstr(text, "$$");
    if (!mark)
        return nullptr;
    char* const target = mark + 2;
    char* const dot = std::strchr(target, '.');
    if (!dot || strncasecmp(dot, ".redirect", 9) != 0)
        return nullptr;
    *dot = '\0';
    return target;
}

char* CheckForRedirect(char* text) {
    static char target[NLS_REDIRECT_SIZE];
    char* const found = FindRedirect(text);
    if (!found)
        return nullptr;
    const std::size_t len = std::strlen(found);
    if (len >= sizeof target) {
        // Not followed: the text gets its "." back.
        found[len] = '.';
        return nullptr;
    }
    std::memcpy(target, found, len + 1);
    // The text is overwritten by the target's help text, or by the target's
    // name when the store lacks it; without a store it stays as it is.
    if (pPrtHelpDB)
        nls::FetchKey(pPrtHelpDB, text, NLS_FETCH_SIZE, target, false);
    return target;
}
