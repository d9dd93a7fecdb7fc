// Shared steps of the record store: file names under the tool directory, the
// host's byte order, 16-bit fields and the checks of a record's size.
#pragma once

#include "Dbm.h"
#include "utils.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace dbm {

inline constexpr std::size_t kPathSize = 512;

// "{tool}/db/{name}.{ext}" into buf; false when there is no tool directory or
// the name does not fit (the database is then treated as missing).
bool DbPath(char* buf, std::size_t size, const char* name, const char* ext);

// The "./db" check of every store operation: "./db" is made (mode 777) when
// the current directory has no entry of that name.
void EnsureLocalDbDir();

// True on a host that stores 32-bit integers with the most significant byte
// first.
bool HostIsBigEndian();

inline std::uint16_t Read16(const void* p, bool swap) {
    std::uint16_t v;
    SetVarContent(&v, p, 2, swap ? 1 : 0);
    return v;
}

inline void Write16(void* p, std::uint16_t v, bool swap) {
    SetVarContent(p, &v, 2, swap ? 1 : 0);
}

// Size of the body (key length field, key, NUL, data) of a record; 0 when the
// record would be refused: no data, or a body the readers cannot read back.
inline int BodySize(std::size_t keyLen, int dataLen) {
    if (dataLen <= 0)
        return 0;
    const std::size_t body = 2 + keyLen + static_cast<std::size_t>(dataLen);
    return body > static_cast<std::size_t>(DBM_MAX_REC_LEN) ? 0 : static_cast<int>(body);
}

// The key length field of a decoded plain body.
inline std::uint16_t PlainKeyLen(const RecBuf& rec) {
    return Read16(rec.Body, false);
}

// Whether a record's key (keyLen bytes, NUL included) is the key, or begins
// with the prefix of prefixLen bytes when prefixLen is not 0. A key is only
// read within its own length and the record's.
inline bool KeyMatches(const char* recKey, std::size_t recKeyLen, const char* key,
                       std::size_t prefixLen) {
    if (prefixLen == 0) {
        const std::size_t k = std::strlen(key) + 1;
        return recKeyLen == k && std::memcmp(recKey, key, k) == 0;
    }
    return recKeyLen >= prefixLen && std::memcmp(recKey, key, prefixLen) == 0;
}

// Reports a failed write of a database: "ERROR: Can't write to %s".
void ReportWriteError(const char* name);

// Closes a stream that was written; false when buffered data could not be
// written or the close failed.
bool CloseWritten(FILE* fp);

// Gives the handle's image a new change stamp, unique in the run, so that
// whoever keeps results drawn from an image can tell it is no longer the
// same.
void StampChange(DbTHandle* h);

} // namespace dbm
