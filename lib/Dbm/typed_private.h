// Shared steps of the typed store: reading record heads in an image, the
// index of the keys of an image, and the reload before an operation.
#pragma once

#include "dbm_private.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace dbt {

inline constexpr int kScratchSize = 65535; // a plain body, the largest RecLen
inline constexpr int kKeyBufSize = 65536;  // a decoded key, the largest KeyLen

inline bool IsPlain(const DbTHandle* h) {
    return h->DbType == DBT_PLAIN;
}

// Offset of the first record of the handle's image.
inline int FirstRecord(const DbTHandle* h) {
    return IsPlain(h) ? 0 : DBT_HEADER_SIZE;
}

// The scratch area into which the body of a plain record is decoded; null
// when the pool has no memory for it.
unsigned char* PlainScratch();

struct Head {
    std::uint16_t RecLen;
    std::uint16_t KeyLen;
};

// The head of the record at offset. For a plain image its body is decoded
// into body. False when the record runs past the end of the image or its key
// is empty or longer than the record: the walk ends before it.
bool ReadHead(const DbTHandle* h, int offset, unsigned char* body, Head& head);

// Decodes the run of n bytes at src into dst.
void DecodeRun(const unsigned char* src, unsigned char* dst, int n);

// The record with the key (its bytes and its NUL) found through the index of
// the image: its offset, or -1. When it is absent and the walk over the image
// would have ended at a damaged record, *cutAt is that record's offset (else
// -1).
int IndexLookup(DbTHandle* h, std::string_view key, int* cutAt);
// A record appended at offset with the key (with its NUL).
void IndexAdd(DbTHandle* h, std::string_view key, int offset);
// The image was replaced or records were removed from it.
void IndexDrop(DbTHandle* h);
// The image was cut before its first damaged record.
void IndexCut(DbTHandle* h);

// Reload unless the handle keeps its image.
inline void Reload(DbTHandle* h) {
    if (!(h->Mode & DBT_KEEPIMAGE))
        DbTUpDate(h);
}

// PurgeTRecord without the reload and without giving memory back.
int RemoveRecords(DbTHandle* h, const char* key, int prefixlen);

// The key of the record that the walk step has just read, decoded (typed
// image: at Pos, which then moves to the coded data); up to its first NUL.
std::string_view WalkKey(DbTHandle* h, const DbTRecord& rec, char* buf);

} // namespace dbt
