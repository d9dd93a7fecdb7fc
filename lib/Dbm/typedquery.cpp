// Reading the typed store: records by key, lists of keys and of records, and
// the test of a key against a list of prefixes.
#include "MemMgr.h"
#include "typed_private.h"
#include "utils.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int kCopyBufSize = 65536;

// Finds the record with the key after the reload; its data size, or -1 when
// it is absent.
int FindData(DbTHandle* h, const char* key, DbTRecord& rec) {
    dbt::Reload(h);
    if (!FindTRecord(h, key, &rec))
        return -1;
    return rec.RecLen - rec.KeyLen - 2;
}

// Copies the data of the record that FindData found.
void CopyData(DbTHandle* h, const DbTRecord& rec, void* buffer, int size) {
    if (size <= 0)
        return;
    if (dbt::IsPlain(h))
        std::memcpy(buffer, rec.pKey + rec.KeyLen, static_cast<std::size_t>(size));
    else
        DbmTGetData(h, buffer, size);
}

// Calls visit with every record and its key, in image order, after the
// reload.
template <typename Visit> void ForEachKey(DbTHandle* h, Visit visit) {
    dbt::Reload(h);
    std::vector<char> buf(dbt::kKeyBufSize);
    DbTRecord rec{};
    for (DbTRecord* r = WalkDbTRecords(h, &rec, 0); r; r = WalkDbTRecords(h, &rec, 1))
        visit(rec, dbt::WalkKey(h, rec, buf.data()), buf.data());
}

char* KeyList(DbTHandle* h, const char* prefixes, const char* sep, const char* term) {
    std::string list;
    bool any = false;
    ForEachKey(h, [&](const DbTRecord&, std::string_view key, const char*) {
        if (prefixes && !TestKeyName(std::string(key).c_str(), prefixes))
            return;
        list += sep;
        list += key;
        any = true;
    });
    if (!any)
        return nullptr;
    list += term;
    return SaveStr_(list.c_str());
}

} // namespace

int DbmTGetRecord(DbTHandle* h, const char* key, void* buffer) {
    if (!h || !key || !buffer)
        return 0;
    DbTRecord rec{};
    const int size = FindData(h, key, rec);
    if (size < 0)
        return 0;
    CopyData(h, rec, buffer, size);
    return size;
}

int DbmTGetRecordV(DbTHandle* h, const char* key, char** pbuf, int bufsize) {
    if (!h || !key || !pbuf)
        return 0;
    DbTRecord rec{};
    const int size = FindData(h, key, rec);
    if (size < 0)
        return 0;
    if (bufsize < size || !*pbuf) {
        char* const area = static_cast<char*>(GetMem(size));
        if (!area)
            return 0;
        *pbuf = area;
    }
    CopyData(h, rec, *pbuf, size);
    return size;
}

int DbmTGetRecordSize(DbTHandle* h, const char* key) {
    if (!h || !key)
        return 0;
    DbTRecord rec{};
    const int size = FindData(h, key, rec);
    return size < 0 ? 0 : size;
}

char DbmTCopyRecord(DbTHandle* h, const char* from, const char* to) {
    if (!h || !from || !to)
        return 0;
    dbt::Reload(h);
    std::vector<char> buf(kCopyBufSize);
    const int size = DbmTGetRecord(h, from, buf.data());
    return size > 0 ? DbmTPutRecord(h, to, buf.data(), size) : 0;
}

char* DbmTGetRecordList(DbTHandle* h, const char* sep, const char* term) {
    if (!h || !sep || !term)
        return nullptr;
    return KeyList(h, nullptr, sep, term);
}

char* DbmTGetRecordListS(DbTHandle* h, const char* prefixes, const char* sep, const char* term) {
    if (!h || !prefixes || !*prefixes || !sep || !term)
        return nullptr;
    return KeyList(h, prefixes, sep, term);
}

DbLink* DbmTGetDbLinkList(DbTHandle* h, const char* substring) {
    if (!h || !substring)
        return nullptr;
    DbLink* first = nullptr;
    DbLink** tail = &first;
    ForEachKey(h, [&](const DbTRecord& rec, std::string_view key, const char* decoded) {
        if (!std::strstr(std::string(key).c_str(), substring))
            return;
        auto* const node = static_cast<DbLink*>(GetMem(sizeof(DbLink)));
        auto* const area = static_cast<char*>(GetMem(rec.RecLen));
        if (!node || !area) {
            PutMem(node);
            PutMem(area);
            return;
        }
        const int size = rec.RecLen - rec.KeyLen - 2;
        if (dbt::IsPlain(h)) {
            std::memcpy(area, rec.pKey, static_cast<std::size_t>(rec.RecLen) - 2);
        } else {
            std::memcpy(area, decoded, rec.KeyLen);
            DbmTGetData(h, area + rec.KeyLen, size);
        }
        node->pKey = area;
        node->pData = area + rec.KeyLen;
        node->DataSize = size;
        *tail = node;
        tail = &node->pNext;
    });
    return first;
}

int TestKeyName(const char* key, const char* prefixes) {
    if (!key || !prefixes)
        return 0;
    // The shared tokenizer is used and given back its scan afterwards.
    char* const savedIn = szIn;
    char* const savedTokenIn = szTokenIn;
    int found = 0;
    SetTokenBuf(const_cast<char*>(prefixes));
    for (const char* p = GetToken(nullptr, ","); p && !found; p = GetToken(nullptr, ",")) {
        const std::size_t n = std::strlen(p);
        found = n > 0 && std::strncmp(key, p, n) == 0 ? 1 : 0;
    }
    szIn = savedIn;
    szTokenIn = savedTokenIn;
    return found;
}
