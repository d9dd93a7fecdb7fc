// Keyed records in plain files: every call opens the database by name, works
// through its records from the start and closes it again; a change rewrites
// the whole file through {name}.xdb_new.
#include "../utils/pathbuf.h"
#include "MemMgr.h"
#include "dbm_private.h"
#include "utils.h"

#include <cctype>
#include <cstring>
#include <string>
#include <vector>

int Ent2Get = 0;

namespace {

constexpr int kCopyBufSize = 65536;

// A stream closed at the end of its scope unless it was taken back.
class Stream {
public:
    explicit Stream(FILE* fp = nullptr) : fp_(fp) {}
    ~Stream() {
        if (fp_)
            std::fclose(fp_);
    }
    Stream(const Stream&) = delete;
    Stream& operator=(const Stream&) = delete;

    FILE* get() const { return fp_; }
    FILE* release() {
        FILE* const fp = fp_;
        fp_ = nullptr;
        return fp;
    }

private:
    FILE* fp_;
};

// The record buffer of the readers and of the record a store appends.
RecBuf& ReadBuf() {
    static RecBuf rec;
    return rec;
}

RecBuf& NewRecordBuf() {
    static RecBuf rec;
    return rec;
}

const char* KeyOf(const RecBuf& rec) {
    return reinterpret_cast<const char*>(rec.Body + 2);
}

int DataSizeOf(const RecBuf& rec) {
    return rec.RecLen - dbm::PlainKeyLen(rec) - 2;
}

const unsigned char* DataOf(const RecBuf& rec) {
    return rec.Body + 2 + dbm::PlainKeyLen(rec);
}

// The key of a record as a string: its bytes up to the first NUL.
std::string_view KeyText(const RecBuf& rec) {
    const char* const key = KeyOf(rec);
    return {key, strnlen(key, dbm::PlainKeyLen(rec))};
}

// Whether the database file exists (whether or not it can be opened).
bool DatabaseExists(const char* name, const char* ext) {
    char path[dbm::kPathSize];
    return dbm::DbPath(path, sizeof path, name, ext) && FindFile(nullptr, path) != 0;
}

// Calls visit with every record of the database in file order until it
// returns false. False when the database cannot be opened.
template <typename Visit> bool ForEachRecord(const char* name, Visit visit) {
    const Stream in(OpenDataBase(name, "xdb", "rb", 0));
    if (!in.get())
        return false;
    RecBuf& rec = ReadBuf();
    while (GetData(in.get(), &rec))
        if (!visit(rec))
            break;
    return true;
}

// The first record with the key, left in ReadBuf(); false when it is absent or
// the database cannot be opened.
bool FindRecord(const char* name, const char* key) {
    bool found = false;
    ForEachRecord(name, [&](const RecBuf& rec) {
        found = dbm::KeyMatches(KeyOf(rec), dbm::PlainKeyLen(rec), key, 0);
        return !found;
    });
    return found;
}

enum class Rewrite { NoNewFile, Failed, Done };

// The rewrite of a database: the records of old (when open) copied without
// those of key (keylen as for PurgeRecord), then the record append when given,
// and, when everything was written, {name}.xdb_new moved over {name}.xdb. old
// is closed in every case.
Rewrite RewriteDatabase(const char* name, Stream& old, const char* key, int keylen,
                        RecBuf* append) {
    Stream out(OpenNewDataBase(name));
    if (!out.get()) {
        std::fclose(old.release());
        return Rewrite::NoNewFile;
    }
    bool ok = true;
    if (old.get())
        ok = PurgeRecord(name, old.get(), out.get(), key, keylen) != 0;
    bool reported = !ok;
    if (ok && append && !PutData(out.get(), append)) {
        dbm::ReportWriteError(name);
        ok = false;
        reported = true;
    }
    if (old.get())
        std::fclose(old.release());
    if (!dbm::CloseWritten(out.release()) && ok) {
        ok = false;
    }
    if (!ok) {
        if (!reported)
            dbm::ReportWriteError(name);
        return Rewrite::Failed;
    }
    RenameDataBase(name, "xdb_new", "xdb");
    // A move that did not happen leaves the new file in place.
    return DatabaseExists(name, "xdb_new") ? Rewrite::Failed : Rewrite::Done;
}

// The deletes: no "./db" step, and nothing at all for a missing database.
Rewrite DeleteFromDatabase(const char* name, const char* key, int keylen) {
    Stream old(OpenDataBase(name, "xdb", "rb", 0));
    if (!old.get())
        return Rewrite::NoNewFile;
    return RewriteDatabase(name, old, key, keylen, nullptr);
}

} // namespace

char DbmPutRecord(const char* name, const char* key, const void* data, int length) {
    if (!name || !key || !data || length <= 0)
        return 0;
    const std::size_t keyLen = std::strlen(key) + 1;
    const int body = dbm::BodySize(keyLen, length);
    if (body == 0)
        return 0;
    dbm::EnsureLocalDbDir();
    Stream old(OpenDataBase(name, "xdb", "rb", 0));
    // A database that exists but could not be read is not replaced.
    if (!old.get() && DatabaseExists(name, "xdb"))
        return 0;

    RecBuf& rec = NewRecordBuf();
    rec.RecLen = static_cast<std::uint16_t>(body);
    dbm::Write16(rec.Body, static_cast<std::uint16_t>(keyLen), false);
    std::memcpy(rec.Body + 2, key, keyLen);
    std::memcpy(rec.Body + 2 + keyLen, data, static_cast<std::size_t>(length));
    return RewriteDatabase(name, old, key, 0, &rec) == Rewrite::Done ? 1 : 0;
}

char DbmDeleteRecord(const char* name, const char* key) {
    if (!name || !key)
        return 0;
    return DeleteFromDatabase(name, key, 0) == Rewrite::Done ? 1 : 0;
}

int DbmDeleteRecords(const char* name, const char* prefix) {
    if (!name || !prefix || !*prefix)
        return 0;
    return DeleteFromDatabase(name, prefix, static_cast<int>(std::strlen(prefix))) ==
                   Rewrite::NoNewFile
               ? 0
               : 1;
}

int DbmGetRecord(const char* name, const char* key, void* buffer) {
    if (!name || !key || !buffer || !FindRecord(name, key))
        return 0;
    const RecBuf& rec = ReadBuf();
    const int size = DataSizeOf(rec);
    if (size > 0)
        std::memcpy(buffer, DataOf(rec), static_cast<std::size_t>(size));
    return size;
}

int DbmGetNextRecord(const char* name, void* buffer) {
    if (!name || !buffer)
        return 0;
    int index = 0;
    bool reached = false;
    ForEachRecord(name, [&](const RecBuf&) {
        reached = index++ == Ent2Get;
        return !reached;
    });
    if (!reached)
        return 0;
    const RecBuf& rec = ReadBuf();
    const int size = DataSizeOf(rec);
    if (size > 0)
        std::memcpy(buffer, DataOf(rec), static_cast<std::size_t>(size));
    ++Ent2Get;
    return size;
}

int DbmGetRecordSize(const char* name, const char* key) {
    if (!name || !key || !FindRecord(name, key))
        return 0;
    return DataSizeOf(ReadBuf());
}

char* DbmGetRecordList(const char* name, const char* sep, const char* term) {
    if (!name || !sep || !term)
        return nullptr;
    std::string list;
    bool any = false;
    ForEachRecord(name, [&](const RecBuf& rec) {
        list += sep;
        list += KeyText(rec);
        any = true;
        return true;
    });
    if (!any)
        return nullptr;
    list += term;
    return SaveStr_(list.c_str());
}

char* DbmGetDbList(int flag) {
    char* const names = GetDirFileList("db");
    if (!names)
        return nullptr;
    char* const saved = GetTokenBufInput();
    std::string list = flag ? " " : "";
    bool first = true;
    for (const char* n = GetToken(names, " "); n; n = GetToken(nullptr, " ")) {
        const char* const dot = std::strchr(n, '.');
        if (!dot || std::strcmp(dot, ".xdb") != 0 || dot == n)
            continue;
        if (!first)
            list += flag ? ' ' : ',';
        list.append(n, static_cast<std::size_t>(dot - n));
        first = false;
    }
    SetTokenBuf(saved);
    PutMem(names);
    return SaveStr_(list.c_str());
}

char DbmCopyRecord(const char* name, const char* from, const char* to) {
    if (!name || !from || !to)
        return 0;
    std::vector<char> buf(kCopyBufSize);
    const int size = DbmGetRecord(name, from, buf.data());
    return size > 0 ? DbmPutRecord(name, to, buf.data(), size) : 0;
}

DbLink* DbmGetDbLinkList(const char* name, const char* substring) {
    if (!name || !substring)
        return nullptr;
    DbLink* first = nullptr;
    DbLink** tail = &first;
    ForEachRecord(name, [&](const RecBuf& rec) {
        if (!std::strstr(std::string(KeyText(rec)).c_str(), substring))
            return true;
        auto* const node = static_cast<DbLink*>(GetMem(sizeof(DbLink)));
        auto* const area = static_cast<char*>(GetMem(rec.RecLen));
        if (!node || !area) {
            PutMem(node);
            PutMem(area);
            return true;
        }
        const std::uint16_t keyLen = dbm::PlainKeyLen(rec);
        std::memcpy(area, KeyOf(rec), static_cast<std::size_t>(rec.RecLen) - 2);
        node->pKey = area;
        node->pData = area + keyLen;
        node->DataSize = DataSizeOf(rec);
        *tail = node;
        tail = &node->pNext;
        return true;
    });
    return first;
}

void DbmFreeDbLinkList(DbLink* first) {
    while (first) {
        DbLink* const next = first->pNext;
        PutMem(first->pKey);
        PutMem(first);
        first = next;
    }
}

void DumpDbm(const char* name) {
    if (!name)
        return;
    char path[dbm::kPathSize];
    if (!FormatPath(path, sizeof path, "%s.db", name)) {
        std::fprintf(stderr, common_114, path);
        return;
    }
    const Stream in(OpenFile(nullptr, path, "rb", 1));
    if (!in.get())
        return;
    RecBuf& rec = ReadBuf();
    while (GetData(in.get(), &rec)) {
        std::printf("%i %i ==>{", rec.RecLen, dbm::PlainKeyLen(rec));
        for (int i = 2; i < rec.RecLen; ++i) {
            const unsigned char c = rec.Body[i];
            std::putchar(std::isprint(c) ? c : '.');
        }
        std::printf("}\n");
    }
}

void DbmCreate(const char* /*name*/, const char* /*arg*/) {}

void DbmDelete(const char* /*name*/, const char* /*arg*/) {}
