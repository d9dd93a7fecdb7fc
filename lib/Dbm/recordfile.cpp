// Record files: names under the tool directory, chain coding, opening with
// retries, the new file of a rewrite and its move over the database, and the
// record routines of plain files.
#include "../utils/pathbuf.h"
#include "MemMgr.h"
#include "dbm_private.h"
#include "utils.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <unistd.h>

char* pToolPath = nullptr;

namespace {

constexpr int kOpenTries = 10;

// The four bytes 01 02 03 04 read as one 32-bit integer tell the byte order.
char TLBuf[5] = {1, 2, 3, 4, 0};

// Characters that the shell takes literally in the command lines of the file
// operations; a path with any other character is not handed to them.
bool ShellSafe(std::string_view path) {
    return !path.empty() && std::all_of(path.begin(), path.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               std::strchr("_-./+,:@=", c) != nullptr;
    });
}

// The directory of the new file and its name in it: {tool}/db and
// {name}.xdb_new, with any directory part of the name moved into the
// directory, so that a store kept in a subdirectory of "db" gets it made too.
struct NewFilePlace {
    std::string dir;
    std::string file;
};

bool PlaceOfNewFile(const char* name, NewFilePlace& place) {
    if (!pToolPath || !name || !*name)
        return false;
    const std::string_view n(name);
    const std::size_t slash = n.rfind('/');
    place.dir = std::string(pToolPath) + "/db";
    if (slash != std::string_view::npos) {
        place.dir += '/';
        place.dir.append(n.substr(0, slash));
    }
    place.file = std::string(slash == std::string_view::npos ? n : n.substr(slash + 1));
    place.file += ".xdb_new";
    return place.dir.size() + place.file.size() + 1 < dbm::kPathSize && ShellSafe(place.dir) &&
           ShellSafe(place.file);
}

} // namespace

namespace dbm {

bool DbPath(char* buf, std::size_t size, const char* name, const char* ext) {
    if (!pToolPath || !name || !ext) {
        if (size > 0)
            buf[0] = '\0';
        return false;
    }
    return FormatPath(buf, size, "%s/db/%s.%s", pToolPath, name, ext);
}

void EnsureLocalDbDir() {
    if (!FindFile(".", "db"))
        CreateFile("./db", nullptr, "777", nullptr, nullptr);
}

bool HostIsBigEndian() {
    std::uint32_t v;
    std::memcpy(&v, TLBuf, sizeof v);
    return v == 0x01020304u;
}

void ReportWriteError(const char* name) {
    std::fprintf(stderr, "ERROR: Can't write to %s", name ? name : "");
}

bool CloseWritten(FILE* fp) {
    const bool flushed = std::fflush(fp) == 0 && !std::ferror(fp);
    return std::fclose(fp) == 0 && flushed;
}

} // namespace dbm

void DbmChainCode(unsigned char* p, int n) {
    for (int i = 0; i + 1 < n; ++i)
        p[i] = static_cast<unsigned char>(p[i] ^ p[i + 1]);
}

void DbmChainDecode(unsigned char* p, int n) {
    for (int i = n - 2; i >= 0; --i)
        p[i] = static_cast<unsigned char>(p[i] ^ p[i + 1]);
}

FILE* OpenDataBase(const char* name, const char* ext, const char* mode, char report) {
    char path[dbm::kPathSize];
    if (!mode || !dbm::DbPath(path, sizeof path, name, ext))
        return nullptr;
    if (!FindFile(nullptr, path))
        return nullptr;
    for (int attempt = 1;; ++attempt) {
        if (FILE* const fp = OpenFile(nullptr, path, mode, report == 1 ? 1 : 0))
            return fp;
        if (attempt == kOpenTries)
            return nullptr;
        sleep(1);
    }
}

FILE* OpenNewDataBase(const char* name) {
    NewFilePlace place;
    if (!PlaceOfNewFile(name, place))
        return nullptr;
    CreateFile(place.dir.c_str(), place.file.c_str(), "666", nullptr, nullptr);
    return OpenDataBase(name, "xdb_new", "wb", 1);
}

void RenameDataBase(const char* name, const char* from, const char* to) {
    if (!pToolPath || !name || !from || !to)
        return;
    const std::string dir = std::string(pToolPath) + "/db";
    const std::string oldName = std::string(name) + "." + from;
    const std::string newName = std::string(name) + "." + to;
    if (!ShellSafe(dir) || !ShellSafe(oldName) || !ShellSafe(newName))
        return;
    RenameFile(dir.c_str(), oldName.c_str(), newName.c_str());
}

int PutData(FILE* fp, RecBuf* rec) {
    if (!fp || !rec)
        return 0;
    DbmChainCode(rec->Body, rec->RecLen);
    const std::size_t size = static_cast<std::size_t>(rec->RecLen) + 2;
    return std::fwrite(rec, size, 1, fp) == 1 ? 1 : 0;
}

// The whole body is read, whatever its length, so that the reader stays in
// step with the file. A body too short for its key length field, or whose key
// runs past its end, ends the file like a short read.
int GetData(FILE* fp, RecBuf* rec) {
    if (!fp || !rec)
        return 0;
    if (std::fread(&rec->RecLen, 2, 1, fp) != 1)
        return 0;
    const std::size_t n = rec->RecLen;
    if (n == 0 || std::fread(rec->Body, n, 1, fp) != 1)
        return 0;
    DbmChainDecode(rec->Body, static_cast<int>(n));
    if (n < 2)
        return 0;
    const std::size_t keyLen = dbm::PlainKeyLen(*rec);
    return keyLen >= 1 && keyLen <= n - 2 ? 1 : 0;
}

int PurgeRecord(const char* name, FILE* in, FILE* out, const char* key, int keylen) {
    if (!in || !out || !key)
        return 0;
    // The record buffer is large: one per process, not on the stack.
    static RecBuf rec;
    const std::size_t prefix = keylen > 0 ? static_cast<std::size_t>(keylen) : 0;
    while (GetData(in, &rec)) {
        const char* const recKey = reinterpret_cast<const char*>(rec.Body + 2);
        if (dbm::KeyMatches(recKey, dbm::PlainKeyLen(rec), key, prefix))
            continue;
        if (!PutData(out, &rec)) {
            dbm::ReportWriteError(name);
            return 0;
        }
    }
    return 1;
}
