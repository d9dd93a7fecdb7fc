// The record store: keyed records in ".xdb" files under {pToolPath}/db.
//
// Two file formats. A plain file is a run of records, each a 16-bit length
// (host byte order) and a chain-coded body holding the key length (16-bit,
// host order), the key with its NUL and the data. A typed file starts with a
// 16-byte header ("TXDBAA", the record count in decimal, a NUL, random filler)
// followed by records of a big-endian record length, a big-endian key length,
// the chain-coded key with its NUL and the chain-coded data. Chain coding:
// e[i] = p[i] ^ p[i+1], the last byte unchanged.
//
// Files are never changed in place: a changed database is written whole to
// {name}.xdb_new, which is then moved over {name}.xdb.
//
// Two interfaces: the Dbm... operations work on a plain file by name, opening
// and scanning it on each call; the DbT.../DbmT... operations keep the whole
// file as an image in a DbTHandle, reload it when the file changes and write
// it back whole. Strings and lists returned are pool memory (MemMgr.h), owned
// by the caller: strings are released with PutMem, lists with
// DbmFreeDbLinkList.
#pragma once

#include <cstdint>
#include <cstdio>

// The tool directory under which "db" lies; set by the using program.
extern char* pToolPath;

// ---------------------------------------------------------------------------
// Record files.

inline constexpr int DBM_REC_BUF_SIZE = 65536; // body bytes of a RecBuf
inline constexpr int DBM_MAX_REC_LEN = 65527;  // largest body the readers read back
inline constexpr int DBT_MAX_KEY_LEN = 4096;   // largest typed key, its NUL included

// The in-memory form of a plain record: its length and its body, coded or
// decoded in place. RecLen and the body are adjacent, so that the record is
// written as one item of RecLen + 2 bytes.
struct RecBuf {
    std::uint16_t RecLen;
    unsigned char Body[DBM_REC_BUF_SIZE];
};

// Chain coding of a run of n bytes in place (n < 1 does nothing).
void DbmChainCode(unsigned char* p, int n);
void DbmChainDecode(unsigned char* p, int n);

// Opens {tool}/db/{name}.{ext} in the stdio mode; null at once when the file
// does not exist, else after 10 failed tries 1 second apart (each reported
// with "ERROR: can't open file, %s\n" when report is 1).
FILE* OpenDataBase(const char* name, const char* ext, const char* mode, char report);
// Creates {tool}/db (mkdir -p) and an empty {name}.xdb_new in it with mode
// 666 and opens it "wb"; null on failure.
FILE* OpenNewDataBase(const char* name);
// Moves {name}.{from} over {name}.{to} in {tool}/db (nothing when the source
// is missing).
void RenameDataBase(const char* name, const char* from, const char* to);
// Codes the body in place and writes the record; 1 when written. The body
// stays coded.
int PutData(FILE* fp, RecBuf* rec);
// Reads and decodes one record; 0 at the end of the file or on an error.
int GetData(FILE* fp, RecBuf* rec);
// Copies the records of in to out, leaving out those whose key matches key:
// the whole key (keylen 0) or its first keylen bytes (a prefix). 1 when the
// input was copied to its end, 0 on a write error ("ERROR: Can't write to %s"
// with the name on standard error).
int PurgeRecord(const char* name, FILE* in, FILE* out, const char* key, int keylen);

// ---------------------------------------------------------------------------
// Keyed records in plain files.

// A node of a record list: pKey holds the key with its NUL followed by the
// data, pData points just after the key's NUL.
struct DbLink {
    DbLink* pNext;
    char* pKey;
    char* pData;
    std::int32_t DataSize;
};

extern int Ent2Get; // position of the next record of DbmGetNextRecord

// 1 when the record was stored (replacing a record with the same key), else
// 0. A record whose body (2 + key + NUL + data) exceeds 65527 bytes is
// refused, and so is a store into a database that exists but cannot be read.
char DbmPutRecord(const char* name, const char* key, const void* data, int length);
// 1 when the file was rewritten without the record (also when it was absent).
char DbmDeleteRecord(const char* name, const char* key);
// Drops every record whose key begins with prefix; 1 once the old and the new
// file were open.
int DbmDeleteRecords(const char* name, const char* prefix);
// Copies the data of the record into buffer (which must be large enough:
// DbmGetRecordSize); returns its size, 0 when absent.
int DbmGetRecord(const char* name, const char* key, void* buffer);
// The data of the record at position Ent2Get, which then advances; 0 at the
// end.
int DbmGetNextRecord(const char* name, void* buffer);
int DbmGetRecordSize(const char* name, const char* key);
// sep before every key, term at the end; null when there is no record.
char* DbmGetRecordList(const char* name, const char* sep, const char* term);
// The database names of ./db: "a,b,c" with flag 0, " a b c" otherwise.
char* DbmGetDbList(int flag);
char DbmCopyRecord(const char* name, const char* from, const char* to);
// The records whose key contains substring, in file order.
DbLink* DbmGetDbLinkList(const char* name, const char* substring);
void DbmFreeDbLinkList(DbLink* first);
// Prints the records of ./{name}.db to standard output.
void DumpDbm(const char* name);
void DbmCreate(const char* name, const char* arg);
void DbmDelete(const char* name, const char* arg);

// ---------------------------------------------------------------------------
// Typed record store.

// Image formats (DbType).
inline constexpr int DBT_NEW = 0;   // no file loaded: no image or a fresh header
inline constexpr int DBT_PLAIN = 1; // a plain file
inline constexpr int DBT_TYPED = 2; // a typed file, or a new image with a record

// Mode flags of DbTOpen.
inline constexpr int DBT_KEEPIMAGE = 2;  // never look for a newer file
inline constexpr int DBT_DEFERWRITE = 4; // changes are written by DbmTArchiveDb only

inline constexpr int DBT_HEADER_SIZE = 16;

struct DbTIndex; // lookup by key of a loaded image, kept by the store itself

struct DbTHandle {
    char* pName;    // name or path, a saved string
    char flSwap;    // 1: the 16-bit fields of the image are byte-swapped
    int Mode;       // DBT_KEEPIMAGE, DBT_DEFERWRITE
    char* pImage;   // the file's bytes, or null
    int ImageSize;  // bytes of the image
    long FileTime;  // modification time of the loaded file, 0 if none
    int Pos;        // position of DbmTPutData and DbmTGetData
    int NextRec;    // offset of the record of the next walk step
    long RecCount;  // records of a typed image
    char flChanged; // 1 whenever the image was loaded or changed
    int DbType;     // DBT_NEW, DBT_PLAIN or DBT_TYPED
    // Kept by the store itself, cleared with the image:
    DbTIndex* pIndex;          // lookup by key, built on demand, dropped when the image changes
    long FileTimeNs;           // nanoseconds of the modification time of the loaded file
    int ImageRoom;             // bytes of the image's pool area (at least ImageSize)
    char flUnread;             // 1: the file exists but could not be read; nothing is written
    unsigned long ChangeStamp; // new, unique in the run, at every load or change of the image
};

// The head of a record filled by a walk step. After the step, Pos is at the
// coded key (typed image) or past the body (plain image, pKey set).
struct DbTRecord {
    std::uint16_t RecLen;
    std::uint16_t KeyLen;
    char* pKey;
};

// A name beginning with "/" is a path (".xdb" appended when it holds no "."),
// one beginning with "." a path used as it is, any other {tool}/db/{name}.xdb.
// The handle is returned also when there is no file (DbType DBT_NEW).
DbTHandle* DbTOpen(const char* name, int mode);
// Loads the file when it is newer than the image.
void DbTUpDate(DbTHandle* h);
void DbTClose(DbTHandle* h);
DbTHandle* DbTSetDbType(DbTHandle* h, int type);
// Writes the image to {tool}/db/{name}.xdb through {name}.xdb_new; 1 when
// written.
char DbmTArchiveDb(DbTHandle* h);
// 1 when stored (and written, unless DBT_DEFERWRITE). Refuses a key of more
// than 4096 bytes with its NUL and a record body of more than 65527 bytes.
char DbmTPutRecord(DbTHandle* h, const char* key, const void* data, int length);
char DbmTDeleteRecord(DbTHandle* h, const char* key);
int DbmTDeleteRecords(DbTHandle* h, const char* prefix);
// Copies the data of the first record with the key into buffer (large
// enough: DbmTGetRecordSize); returns its size, 0 when absent.
int DbmTGetRecord(DbTHandle* h, const char* key, void* buffer);
// As DbmTGetRecord; when bufsize is smaller than the data, *pbuf is first set
// to a new pool area of the data's size, owned by the caller.
int DbmTGetRecordV(DbTHandle* h, const char* key, char** pbuf, int bufsize);
int DbmTGetRecordSize(DbTHandle* h, const char* key);
char DbmTCopyRecord(DbTHandle* h, const char* from, const char* to);
char* DbmTGetRecordList(DbTHandle* h, const char* sep, const char* term);
// Only the keys that begin with an element of prefixes (",a,b,").
char* DbmTGetRecordListS(DbTHandle* h, const char* prefixes, const char* sep, const char* term);
DbLink* DbmTGetDbLinkList(DbTHandle* h, const char* substring);
void UpdateHeader(DbTHandle* h);
void DbmTPutData(DbTHandle* h, const void* src, int n);
void DbmTGetData(DbTHandle* h, void* dst, int n);

// Internal steps of the typed store.
DbTRecord* WalkDbTRecords(DbTHandle* h, DbTRecord* rec, int cont);
int FindTRecord(DbTHandle* h, const char* key, DbTRecord* rec);
int PurgeTRecord(DbTHandle* h, const char* key, int prefixlen);
int TestKeyName(const char* key, const char* prefixes);
