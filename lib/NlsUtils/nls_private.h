// Shared steps of the message catalogue: message keys, the shared "Error"
// text, the cache of fetched messages and the bounded fetch of a record into
// a caller's buffer.
#pragma once

#include "NlsUtils.h"

#include <cstddef>

namespace nls {

// Room for "%d_%d" of any two ints.
inline constexpr int kKeySize = 24;

// The text "Error" handed out by every fetch that has no key or no store.
// It is static storage, not a pool area: a caller that releases it with
// PutMem changes nothing.
extern char ErrorText[];

// Formats "%d_%d" of set and number into key (kKeySize bytes).
void FormatKey(char* key, int set, int number);

// Copies the text of the n bytes at src (up to its first NUL) into dst of
// size bytes, cut to size - 1 characters; dst always ends with a NUL.
void CopyText(char* dst, std::size_t size, const char* src, std::size_t n);

// As CopyText for n bytes without a NUL that do not overlap dst.
void CopyBytes(char* dst, std::size_t size, const char* src, std::size_t n);

// Fetches the record keyed key from store, past the cache (modes 1 and 2 of
// NlsFetchString, and numbered keys when the cache has no memory). numbered: key is a numbered key
// in the caller's own storage, returned as a saved string when missing. A buffer of size bytes
// receives the text (or the key when missing) cut to size - 1 characters. The shared ErrorText is
// not returned here.
char* FetchKey(DbTHandle* store, char* buffer, std::size_t size, const char* key, bool numbered);

// The scratch of one fetched record, with room for a NUL behind the largest
// record that is read into it.
extern char Scratch[NLS_FETCH_SIZE + 1];

enum class Cached { Found, Missing, Unavailable };

// Message set/number of store from the catalogue's cache of the store (read
// from the store on first use, after the reload unless the handle keeps its
// image): Found with *text (valid until the next fetch) and its *length, or
// Missing; Unavailable when the cache has no memory.
Cached CachedMessage(DbTHandle* store, int set, int number, const char** text, std::size_t* length);

// Message set/number (modes 0 and 3 of NlsFetchString with a non-zero set): a
// buffer of size bytes receives the text, or the key when the message is
// missing, cut to size - 1 characters; the result is buffer for a found text
// given a buffer, else a saved string.
char* FetchNumbered(DbTHandle* store, char* buffer, std::size_t size, int set, int number);

// The path of the message store name in language lang: a saved string
// "{tool}/db/{lang}/{name}.xdb", with "./" in front of a relative tool
// directory that does not begin with ".", so that the store takes it as a
// path.
char* StorePath(const char* lang, const char* name);

// A fetched text that the caller owns is released; the shared ErrorText and
// texts that are not in the pool are left alone.
void ReleaseText(char* text, const char* key);

} // namespace nls
