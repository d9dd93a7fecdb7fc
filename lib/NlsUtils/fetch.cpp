// Fetching messages by set and number or by key text, and printing or
// formatting them with arguments.
#include "MemMgr.h"
#include "nls_private.h"

#include <cstdarg>
#include <cstring>

DbTHandle* pDrvCoreDB = nullptr;
DbTHandle* pPrtHelpDB = nullptr;
char NlsBuf[NLS_BUF_SIZE];

namespace {

char* AppendInt(char* p, int value) {
    unsigned int u = static_cast<unsigned int>(value);
    if (value < 0) {
        *p++ = '-';
        u = 0u - u;
    }
    char digits[12];
    int n = 0;
    do {
        digits[n++] = static_cast<char>('0' + u % 10);
        u /= 10;
    } while (u != 0);
    while (n > 0)
        *p++ = digits[--n];
    return p;
}

} // namespace

namespace nls {

char ErrorText[] = "Error";
char Scratch[NLS_FETCH_SIZE + 1];

void FormatKey(char* key, int set, int number) {
    char* p = AppendInt(key, set);
    *p++ = '_';
    p = AppendInt(p, number);
    *p = '\0';
}

void CopyText(char* dst, std::size_t size, const char* src, std::size_t n) {
    if (size == 0)
        return;
    const void* const nul = std::memchr(src, '\0', n);
    if (nul)
        n = static_cast<std::size_t>(static_cast<const char*>(nul) - src);
    if (n > size - 1)
        n = size - 1;
    std::memmove(dst, src, n);
    dst[n] = '\0';
}

void CopyBytes(char* dst, std::size_t size, const char* src, std::size_t n) {
    if (size == 0)
        return;
    if (n > size - 1)
        n = size - 1;
    std::memcpy(dst, src, n);
    dst[n] = '\0';
}

char* FetchKey(DbTHandle* store, char* buffer, std::size_t size, const char* key, bool numbered) {
    char* data = Scratch;
    const int found = DbmTGetRecordV(store, key, &data, NLS_FETCH_SIZE);
    if (found <= 0) {
        if (buffer)
            CopyText(buffer, size, key, std::strlen(key) + 1);
        return numbered ? SaveStr_(key) : const_cast<char*>(key);
    }
    const auto n = static_cast<std::size_t>(found);
    char* result;
    if (buffer) {
        CopyText(buffer, size, data, n);
        result = buffer;
    } else if (data == Scratch) {
        Scratch[n] = '\0';
        result = SaveStr_(Scratch);
    } else {
        // The pool area of a large record holds a NUL behind its data.
        result = SaveStr_(data);
    }
    if (data != Scratch)
        PutMem(data);
    return result;
}

char* FetchNumbered(DbTHandle* store, char* buffer, std::size_t size, int set, int number) {
    char key[kKeySize];
    if (store) {
        const char* text = nullptr;
        std::size_t length = 0;
        switch (CachedMessage(store, set, number, &text, &length)) {
        case Cached::Found:
            if (!buffer)
                return SaveStr_(text);
            CopyBytes(buffer, size, text, length);
            return buffer;
        case Cached::Missing:
            break;
        case Cached::Unavailable:
            FormatKey(key, set, number);
            return FetchKey(store, buffer, size, key, true);
        }
    }
    FormatKey(key, set, number);
    if (buffer)
        CopyText(buffer, size, key, std::strlen(key));
    return SaveStr_(key);
}

void ReleaseText(char* text, const char* key) {
    if (text && text != ErrorText && text != key)
        PutMem(text);
}

} // namespace nls

char* NlsFetchString(DbTHandle* store, char* buffer, int mode, ...) {
    std::va_list ap;
    va_start(ap, mode);
    if (mode == 0 || mode == 3) {
        const int set = va_arg(ap, int);
        const int number = va_arg(ap, int);
        va_end(ap);
        // Set 0 has no keys; without a store only a key with a non-zero set
        // and number is looked up (and not found).
        if (set == 0 || (!store && number == 0))
            return nls::ErrorText;
        // Mode 3 gives a saved text of any size; its buffer is not used.
        return mode == 3 ? nls::FetchNumbered(store, nullptr, 0, set, number)
                         : nls::FetchNumbered(store, buffer, NLS_FETCH_SIZE, set, number);
    }
    const char* const key = mode == 1 || mode == 2 ? va_arg(ap, const char*) : nullptr;
    va_end(ap);
    if (!key || !store)
        return nls::ErrorText;
    return nls::FetchKey(store, buffer, NLS_FETCH_SIZE, key, false);
}

void Nlsfprintf(FILE* stream, DbTHandle* store, int set, int number, ...) {
    if (!stream)
        return;
    char key[nls::kKeySize];
    nls::FormatKey(key, set, number);
    char* const text = NlsFetchString(store, nullptr, 1, key);
    if (text == key) {
        std::fputs(nls::ErrorText, stream);
        return;
    }
    std::va_list ap;
    va_start(ap, number);
    std::vfprintf(stream, text, ap);
    va_end(ap);
    nls::ReleaseText(text, key);
}

void Nlssprintf(char* buffer, DbTHandle* store, int set, int number, ...) {
    if (!buffer)
        return;
    char key[nls::kKeySize];
    nls::FormatKey(key, set, number);
    char* const text = NlsFetchString(store, nullptr, 0, set, number);
    if (std::strcmp(text, key) == 0) {
        std::memcpy(buffer, nls::ErrorText, sizeof nls::ErrorText);
    } else {
        std::va_list ap;
        va_start(ap, number);
        std::vsnprintf(buffer, NLS_BUF_SIZE, text, ap);
        va_end(ap);
    }
    nls::ReleaseText(text, key);
}
