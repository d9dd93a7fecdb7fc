// The image of a typed-store handle: its header, the coding of runs at the
// handle's position, the walk over its records, and the finding and removal
// of records by key.
#include "MemMgr.h"
#include "typed_private.h"
#include "utils.h"

#include <cstdlib>
#include <cstring>
#include <vector>

namespace dbt {

unsigned char* PlainScratch() {
    // Taken once and kept for the life of the process.
    static unsigned char* pMem = nullptr;
    if (!pMem)
        pMem = static_cast<unsigned char*>(GetMem(kScratchSize));
    return pMem;
}

void DecodeRun(const unsigned char* src, unsigned char* dst, int n) {
    if (n <= 0)
        return;
    dst[n - 1] = src[n - 1];
    for (int i = n - 1; i >= 1; --i)
        dst[i - 1] = static_cast<unsigned char>(src[i - 1] ^ dst[i]);
}

bool ReadHead(const DbTHandle* h, int offset, unsigned char* body, Head& head) {
    const auto* const image = reinterpret_cast<const unsigned char*>(h->pImage);
    if (offset < 0 || offset + 2 > h->ImageSize)
        return false;
    head.RecLen = dbm::Read16(image + offset, h->flSwap != 0);
    if (offset + 2 + head.RecLen > h->ImageSize || head.RecLen < 2)
        return false;
    if (IsPlain(h)) {
        DecodeRun(image + offset + 2, body, head.RecLen);
        head.KeyLen = dbm::Read16(body, false);
    } else {
        head.KeyLen = dbm::Read16(image + offset + 2, h->flSwap != 0);
    }
    return head.KeyLen >= 1 && head.KeyLen <= head.RecLen - 2;
}

std::string_view WalkKey(DbTHandle* h, const DbTRecord& rec, char* buf) {
    const char* key = rec.pKey;
    if (!IsPlain(h)) {
        DbmTGetData(h, buf, rec.KeyLen);
        key = buf;
    }
    return {key, strnlen(key, rec.KeyLen)};
}

int RemoveRecords(DbTHandle* h, const char* key, int prefixlen) {
    if (!h || !h->pImage || !key || !*key)
        return 0;
    const std::size_t prefix = prefixlen > 0 ? static_cast<std::size_t>(prefixlen) : 0;
    const std::size_t k = std::strlen(key) + 1;
    if (prefix == 0) {
        // Most stores replace a key they do not hold yet: the index tells.
        int cutAt = -1;
        if (IndexLookup(h, std::string_view(key, k), &cutAt) < 0) {
            if (cutAt >= 0) {
                h->ImageSize = cutAt;
                IndexCut(h);
            }
            return 0;
        }
    }
    std::vector<char> buf;
    DbTRecord rec{};
    int removed = 0;
    for (DbTRecord* r = WalkDbTRecords(h, &rec, 0); r; r = WalkDbTRecords(h, &rec, 1)) {
        const bool qualifies = prefix == 0 ? rec.KeyLen == k : rec.KeyLen >= prefix;
        if (!qualifies)
            continue;
        const char* recKey = rec.pKey;
        if (!IsPlain(h)) {
            buf.resize(rec.KeyLen);
            DbmTGetData(h, buf.data(), rec.KeyLen);
            recKey = buf.data();
        }
        if (!dbm::KeyMatches(recKey, rec.KeyLen, key, prefix))
            continue;
        const int start = h->NextRec - 2 - rec.RecLen;
        std::memmove(h->pImage + start, h->pImage + h->NextRec,
                     static_cast<std::size_t>(h->ImageSize - h->NextRec));
        h->ImageSize -= 2 + rec.RecLen;
        if (h->RecCount > 0)
            --h->RecCount;
        h->NextRec = start;
        ++removed;
    }
    if (removed) {
        IndexDrop(h);
        h->flChanged = 1;
        dbm::StampChange(h);
    }
    return removed ? 1 : 0;
}

} // namespace dbt

void UpdateHeader(DbTHandle* h) {
    if (!h || !h->pImage)
        return;
    char count[32];
    std::snprintf(count, sizeof count, "%li", h->RecCount);
    count[9] = '\0';
    const int len = std::snprintf(h->pImage, DBT_HEADER_SIZE, "TXDBAA%s", count);
    for (int i = len + 1; i < DBT_HEADER_SIZE; ++i)
        h->pImage[i] = static_cast<char>(std::rand() & 0xff);
}

void DbmTPutData(DbTHandle* h, const void* src, int n) {
    if (!h || !h->pImage || !src || n < 1)
        return;
    const auto* const s = static_cast<const unsigned char*>(src);
    auto* const d = reinterpret_cast<unsigned char*>(h->pImage) + h->Pos;
    for (int i = 0; i + 1 < n; ++i)
        d[i] = static_cast<unsigned char>(s[i] ^ s[i + 1]);
    d[n - 1] = s[n - 1];
    h->Pos += n;
}

void DbmTGetData(DbTHandle* h, void* dst, int n) {
    if (!h || !h->pImage || !dst || n <= 0)
        return;
    dbt::DecodeRun(reinterpret_cast<const unsigned char*>(h->pImage) + h->Pos,
                   static_cast<unsigned char*>(dst), n);
    h->Pos += n;
}

DbTRecord* WalkDbTRecords(DbTHandle* h, DbTRecord* rec, int cont) {
    if (!h || !h->pImage || !rec)
        return nullptr;
    const bool plain = dbt::IsPlain(h);
    unsigned char* const scratch = plain ? dbt::PlainScratch() : nullptr;
    if (plain && !scratch)
        return nullptr;
    if (!cont)
        h->NextRec = dbt::FirstRecord(h);
    if (h->NextRec >= h->ImageSize)
        return nullptr;
    const int start = h->NextRec;
    dbt::Head head{};
    if (!dbt::ReadHead(h, start, scratch, head)) {
        // A damaged record: the image ends before it.
        h->Pos = start;
        h->ImageSize = start;
        dbt::IndexCut(h);
        return nullptr;
    }
    rec->RecLen = head.RecLen;
    rec->KeyLen = head.KeyLen;
    rec->pKey = plain ? reinterpret_cast<char*>(scratch + 2) : nullptr;
    h->Pos = start + 2 + (plain ? head.RecLen : 2);
    h->NextRec = start + 2 + head.RecLen;
    return rec;
}

int FindTRecord(DbTHandle* h, const char* key, DbTRecord* rec) {
    if (!h || !h->pImage || !key || !*key || !rec)
        return 0;
    const std::size_t k = std::strlen(key) + 1;
    int cutAt = -1;
    const int offset = dbt::IndexLookup(h, std::string_view(key, k), &cutAt);
    if (offset < 0) {
        if (cutAt >= 0) {
            h->ImageSize = cutAt;
            dbt::IndexCut(h);
        }
        h->NextRec = h->ImageSize;
        return 0;
    }
    h->NextRec = offset;
    if (!WalkDbTRecords(h, rec, 1))
        return 0;
    // The key has been read: the position is at the coded data.
    if (!dbt::IsPlain(h))
        h->Pos += rec->KeyLen;
    return 1;
}

int PurgeTRecord(DbTHandle* h, const char* key, int prefixlen) {
    if (!h || !h->pImage || !key || !*key)
        return 0;
    dbt::Reload(h);
    const int removed = dbt::RemoveRecords(h, key, prefixlen);
    if (removed && h->ImageSize <= 0) {
        PutMem(h->pImage);
        h->pImage = nullptr;
        h->ImageSize = 0;
        h->ImageRoom = 0;
    } else if (removed) {
        // A failed shrink keeps the larger area.
        if (void* const p = AdjustMem(h->pImage, h->ImageSize)) {
            h->pImage = static_cast<char*>(p);
            h->ImageRoom = h->ImageSize;
        }
    }
    return removed;
}
