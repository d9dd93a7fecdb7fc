// Keyword lists: a string whose first character is its delimiter, followed by
// items each ended by that delimiter (the last one may lack it), such as
// ",y,yes,n,no,". A word is looked up by its 1-based item number; 0 means not
// found.
#include "utils.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <strings.h>

int FindToken(const char* word, const char* list) {
    if (word == nullptr || list == nullptr || *list == '\0')
        return 0;
    const char d = list[0];
    // The item is found as d, word, d anywhere in the list; the pattern is built
    // to the word's length, so a word of any length is looked up.
    std::string pattern;
    pattern.reserve(std::strlen(word) + 2);
    pattern += d;
    pattern += word;
    pattern += d;
    const char* match = StrStr(list, pattern.c_str());
    if (match == nullptr) {
        // The text after the last delimiter is an item too.
        const char* last = std::strrchr(list, d);
        if (std::strcmp(last + 1, word) == 0)
            match = last;
    }
    return match != nullptr ? static_cast<int>(std::count(list, match + 1, d)) : 0;
}

int FindTokenC(const char* word, const char* list) {
    if (word == nullptr || list == nullptr)
        return 0;
    const char d = list[0];
    const std::size_t length = std::strlen(word);
    int count = 0;
    for (const char* p = list; *p != '\0'; ++p) {
        if (*p != d)
            continue;
        ++count;
        if (strncasecmp(p + 1, word, length) == 0 && (p[length + 1] == d || p[length + 1] == '\0'))
            return count;
    }
    return 0;
}

// The items are the pieces of list between successive d characters, numbered
// from 1: every d separates two items, so a list that begins with d has the
// empty text before it as its first item (",a,b" holds "", "a" and "b"), and
// one that ends with d has an empty last item. The empty list has no item.
int FindTokenWithDelim(const char* list, const char* word, char d) {
    if (list == nullptr || word == nullptr || *list == '\0')
        return 0;
    const std::string_view wanted(word);
    std::string_view rest(list);
    for (int n = 1;; ++n) {
        const std::size_t end = rest.find(d);
        if (rest.substr(0, end) == wanted)
            return n;
        if (end == std::string_view::npos)
            return 0;
        rest.remove_prefix(end + 1);
    }
}
