// Readers of whole small files: into LineBuf, into a pool allocation, or into
// the caller's buffer.
//
// The file name is joined into a fixed buffer (LineBuf for GetFileContent,
// 256 characters for the others). A name that does not fit is refused: the
// reader fails as for a file that cannot be opened.
#include "MemMgr.h"
#include "pathbuf.h"
#include "utils.h"

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <unistd.h>

int SavedFileSize = 0;

namespace {

constexpr std::size_t JOIN_PATH_SIZE = 256;

// A read-only descriptor, closed at the end of its scope.
class ReadOnlyFile {
public:
    explicit ReadOnlyFile(const char* path) : fd_(open(path, O_RDONLY)) {}
    ~ReadOnlyFile() {
        if (fd_ >= 0)
            close(fd_);
    }
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

    bool IsOpen() const { return fd_ >= 0; }

    // Reads up to size bytes into buf and ends them with a NUL at buf[count]
    // (buf holds size + 1 bytes). Returns count; a failed read gives 0.
    long ReadText(char* buf, long size) const {
        long got = 0;
        while (got < size) {
            const ssize_t n = read(fd_, buf + got, static_cast<std::size_t>(size - got));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                got = 0;
                break;
            }
            if (n == 0)
                break;
            got += n;
        }
        buf[got] = '\0';
        return got;
    }

private:
    int fd_;
};

// path, or path "/" name when name is given, joined into buf; null when the
// joined name does not fit.
const char* JoinName(char* buf, std::size_t size, const char* path, const char* name) {
    if (!name)
        return path;
    return FormatPath(buf, size, "%s/%s", path, name) ? buf : nullptr;
}

} // namespace

int GetFileContent(const char* path, const char* name) {
    if (!path)
        return 0;
    const char* const file = JoinName(LineBuf, LINE_BUF_SIZE, path, name);
    if (!file)
        return 0;
    const ReadOnlyFile f(file);
    if (!f.IsOpen())
        return 0;
    f.ReadText(LineBuf, LINE_BUF_SIZE - 1);
    return 1;
}

char* GetSavedFileContent(const char* path, const char* name) {
    SavedFileSize = 0;
    char buf[JOIN_PATH_SIZE];
    if (!path)
        return nullptr;
    const char* const file = JoinName(buf, sizeof buf, path, name);
    if (!file)
        return nullptr;
    const long size = GetFileSize(file);
    if (size >= INT_MAX) {
        ErrorMsg(1, 0, "%s", common_109);
        return nullptr;
    }
    SavedFileSize = static_cast<int>(size);
    if (size == 0)
        return nullptr;
    char* const data = static_cast<char*>(GetMem(static_cast<int>(size) + 1));
    if (!data) {
        ErrorMsg(1, 0, "%s", common_109);
        return nullptr;
    }
    // A file of one byte is not read: its text is empty.
    if (size > 1) {
        const ReadOnlyFile f(file);
        if (!f.IsOpen()) {
            PutMem(data);
            return nullptr;
        }
        SavedFileSize = static_cast<int>(f.ReadText(data, size));
    }
    return data;
}

int GetFileContentR(const char* path, const char* name, char* buf, int size) {
    if (!path || !buf)
        return 0;
    char joined[JOIN_PATH_SIZE];
    const char* const file = JoinName(joined, sizeof joined, path, name);
    if (!file)
        return 0;
    const ReadOnlyFile f(file);
    if (!f.IsOpen())
        return 0;
    f.ReadText(buf, size > 0 ? size : 0);
    return 1;
}
