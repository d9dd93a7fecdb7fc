// The typed store's handles: opening, loading the file into the image when it
// changed, the image's format, and the changes to the image with their write
// back to the file.
#include "../utils/pathbuf.h"
#include "MemMgr.h"
#include "typed_private.h"
#include "utils.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kLoadTries = 10;

// The file of a handle's name: a path ("/" first, ".xdb" added when the name
// holds no "."; or "." first, as it is) or {tool}/db/{name}.xdb.
bool HandlePath(const char* name, char* buf, std::size_t size) {
    if (name[0] == '/')
        return FormatPath(buf, size, "%s%s", name, std::strchr(name, '.') ? "" : ".xdb");
    if (name[0] == '.')
        return FormatPath(buf, size, "%s", name);
    return dbm::DbPath(buf, size, name, "xdb");
}

void ReleaseImage(DbTHandle* h) {
    dbt::IndexDrop(h);
    PutMem(h->pImage);
    h->pImage = nullptr;
    h->ImageRoom = 0;
}

// Makes the image's area hold at least need bytes; false when the pool has no
// memory (the image is then unchanged).
bool ReserveImage(DbTHandle* h, int need) {
    if (h->pImage && need <= h->ImageRoom)
        return true;
    const int room = std::max(need, h->ImageRoom + h->ImageRoom / 2);
    void* const p = AdjustMem(h->pImage, room);
    if (!p)
        return false;
    h->pImage = static_cast<char*>(p);
    h->ImageRoom = room;
    return true;
}

unsigned long gChangeStamp = 0;

bool Deferred(const DbTHandle* h) {
    return (h->Mode & DBT_DEFERWRITE) != 0;
}

} // namespace

void dbm::StampChange(DbTHandle* h) {
    h->ChangeStamp = ++gChangeStamp;
}

DbTHandle* DbTOpen(const char* name, int mode) {
    if (!name)
        return nullptr;
    auto* const h = static_cast<DbTHandle*>(GetMem(sizeof(DbTHandle)));
    if (!h)
        return nullptr;
    h->pName = SaveStr("%s", name);
    h->flChanged = 0;
    h->Mode = mode;
    DbTUpDate(h);
    return h;
}

void DbTUpDate(DbTHandle* h) {
    if (!h || !h->pName)
        return;
    char path[dbm::kPathSize];
    if (!HandlePath(h->pName, path, sizeof path))
        return;
    // The status first: it settles most calls without a look at the directory.
    struct stat st;
    if (stat(path, &st) != 0)
        return;
    if (h->pImage && h->FileTime == static_cast<long>(st.st_mtime) &&
        h->FileTimeNs == st.st_mtim.tv_nsec)
        return;
    if (!FindFile(nullptr, path))
        return;

    ReleaseImage(h);
    h->flChanged = 1;
    dbm::StampChange(h);
    char* data = nullptr;
    for (int attempt = 1;; ++attempt) {
        data = GetSavedFileContent(path, nullptr);
        if (data || SavedFileSize == 0 || attempt == kLoadTries)
            break;
        sleep(1);
    }
    if (data) {
        h->pImage = data;
        h->ImageSize = SavedFileSize;
        h->ImageRoom = SavedFileSize;
        h->FileTime = static_cast<long>(st.st_mtime);
        h->FileTimeNs = st.st_mtim.tv_nsec;
        h->flUnread = 0;
        if (h->ImageSize >= 5 && std::memcmp(data, "TXDBAA", 5) == 0) {
            h->RecCount = h->ImageSize > 6 ? std::atoi(data + 6) : 0;
            DbTSetDbType(h, DBT_TYPED);
        } else {
            h->flSwap = 0;
            DbTSetDbType(h, DBT_PLAIN);
        }
        return;
    }

    // An empty file, or one that could not be read: a fresh typed header. An
    // unread file is marked so that the empty image is never written over it;
    // an empty one keeps its time, so that changes not yet written survive
    // the next operation.
    const bool unread = SavedFileSize != 0;
    h->ImageSize = 0;
    h->FileTime = unread ? 0 : static_cast<long>(st.st_mtime);
    h->FileTimeNs = unread ? 0 : st.st_mtim.tv_nsec;
    h->Pos = 0;
    h->NextRec = 0;
    h->RecCount = 0;
    h->flChanged = 0;
    dbm::StampChange(h);
    h->DbType = DBT_NEW;
    h->flUnread = unread ? 1 : 0;
    h->pImage = static_cast<char*>(GetMem(DBT_HEADER_SIZE));
    if (h->pImage) {
        h->ImageRoom = DBT_HEADER_SIZE;
        UpdateHeader(h);
        h->ImageSize = DBT_HEADER_SIZE;
    }
    DbTSetDbType(h, DBT_NEW);
}

DbTHandle* DbTSetDbType(DbTHandle* h, int type) {
    if (!h)
        return h;
    h->DbType = type;
    h->flSwap = type != DBT_PLAIN && !dbm::HostIsBigEndian() ? 1 : 0;
    return h;
}

void DbTClose(DbTHandle* h) {
    if (!h)
        return;
    ReleaseImage(h);
    PutMem(h->pName);
    PutMem(h);
}

char DbmTArchiveDb(DbTHandle* h) {
    if (!h || !h->pName || h->flUnread)
        return 0;
    if (h->DbType == DBT_TYPED)
        UpdateHeader(h);
    dbm::EnsureLocalDbDir();
    FILE* const out = OpenNewDataBase(h->pName);
    if (!out)
        return 0;
    const std::size_t size =
        h->pImage && h->ImageSize > 0 ? static_cast<std::size_t>(h->ImageSize) : 0;
    const bool written = size == 0 || std::fwrite(h->pImage, size, 1, out) == 1;
    if (!dbm::CloseWritten(out) || !written) {
        dbm::ReportWriteError(h->pName);
        return 0;
    }
    RenameDataBase(h->pName, "xdb_new", "xdb");
    // A move that did not happen leaves the new file in place.
    char path[dbm::kPathSize];
    return dbm::DbPath(path, sizeof path, h->pName, "xdb_new") && FindFile(nullptr, path) ? 0 : 1;
}

char DbmTPutRecord(DbTHandle* h, const char* key, const void* data, int length) {
    if (!h || !key || !data || length <= 0)
        return 0;
    const std::size_t k = std::strlen(key) + 1;
    const int body = dbm::BodySize(k, length);
    if (k > static_cast<std::size_t>(DBT_MAX_KEY_LEN) || body == 0)
        return 0;
    if (h->DbType == DBT_NEW)
        DbTSetDbType(h, DBT_TYPED);
    dbt::Reload(h);
    if (h->flUnread)
        return 0;
    // A reload of an empty file gives a new image again.
    if (h->DbType == DBT_NEW)
        DbTSetDbType(h, DBT_TYPED);
    const bool plain = dbt::IsPlain(h);
    const int base = plain ? h->ImageSize : std::max(h->ImageSize, DBT_HEADER_SIZE);
    // The room is made before the old record goes, so that a lack of memory
    // changes nothing.
    if (!ReserveImage(h, base + 2 + body))
        return 0;
    if (base > h->ImageSize) {
        std::memset(h->pImage + h->ImageSize, 0, static_cast<std::size_t>(base - h->ImageSize));
        h->ImageSize = base;
    }
    dbt::RemoveRecords(h, key, 0);

    const int start = h->ImageSize;
    h->Pos = start;
    dbm::Write16(h->pImage + h->Pos, static_cast<std::uint16_t>(body), h->flSwap != 0);
    h->Pos += 2;
    if (plain) {
        std::vector<unsigned char> rec(static_cast<std::size_t>(body));
        dbm::Write16(rec.data(), static_cast<std::uint16_t>(k), false);
        std::memcpy(rec.data() + 2, key, k);
        std::memcpy(rec.data() + 2 + k, data, static_cast<std::size_t>(length));
        DbmTPutData(h, rec.data(), body);
    } else {
        dbm::Write16(h->pImage + h->Pos, static_cast<std::uint16_t>(k), h->flSwap != 0);
        h->Pos += 2;
        DbmTPutData(h, key, static_cast<int>(k));
        DbmTPutData(h, data, length);
        ++h->RecCount;
    }
    dbt::IndexAdd(h, std::string_view(key, k), start);
    h->ImageSize += 2 + body;
    h->flChanged = 1;
    dbm::StampChange(h);
    return Deferred(h) ? 1 : DbmTArchiveDb(h);
}

char DbmTDeleteRecord(DbTHandle* h, const char* key) {
    if (!h || !key || !*key)
        return 0;
    const int removed = PurgeTRecord(h, key, 0);
    if (removed && !Deferred(h))
        return DbmTArchiveDb(h);
    return removed ? 1 : 0;
}

int DbmTDeleteRecords(DbTHandle* h, const char* prefix) {
    if (!h || !prefix || !*prefix)
        return 0;
    if (PurgeTRecord(h, prefix, static_cast<int>(std::strlen(prefix))) && !Deferred(h))
        DbmTArchiveDb(h);
    return 1;
}
