// Openers that report a failure at the level the caller chooses (0 silent,
// 1 a message on standard error, 2 a fatal error), and file metadata.
//
// OpenFileF formats its path into a buffer of 512 characters. A path that
// does not fit is refused: the open fails with errno ENAMETOOLONG and is
// reported like any other failed open, naming the path as far as it fits.
#include "pathbuf.h"
#include "utils.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>

namespace {

constexpr std::size_t OPEN_PATH_SIZE = 512;

// Closes fp, then opens path with mode unless it was refused (fits false).
FILE* OpenStream(FILE* fp, const char* path, bool fits, const char* mode, int level) {
    if (fp)
        std::fclose(fp);
    FILE* const f = fits ? std::fopen(path, mode) : nullptr;
    if (!fits)
        errno = ENAMETOOLONG;
    if (!f) {
        if (level == 2)
            SysError(common_115, path);
        if (level == 1)
            std::fprintf(stderr, common_114, path);
    }
    return f;
}

} // namespace

FILE* OpenFile(FILE* fp, const char* path, const char* mode, int level) {
    return OpenStream(fp, path ? path : "", true, mode, level);
}

FILE* OpenFileF(FILE* fp, const char* mode, int level, const char* fmt, ...) {
    char path[OPEN_PATH_SIZE];
    std::va_list ap;
    va_start(ap, fmt);
    const bool fits = FormatPathV(path, sizeof path, fmt, ap);
    va_end(ap);
    return OpenStream(fp, path, fits, mode, level);
}

int OpenRawFile(const char* path, int flags) {
    if (!path)
        path = "";
    // A file that O_CREAT makes gets the usual 0666, less the umask.
    const int fd = open(path, flags, 0666);
    if (fd < 0)
        std::printf(common_113, path);
    return fd;
}

long GetFileSize(const char* path) {
    struct stat st;
    return path && stat(path, &st) == 0 ? static_cast<long>(st.st_size) : 0;
}

long GetFileTime(const char* path) {
    struct stat st;
    return path && stat(path, &st) == 0 ? static_cast<long>(st.st_mtime) : 0;
}

int GetFileType(const char* path) {
    struct stat st;
    if (!path || lstat(path, &st) != 0)
        return FILETYPE_NONE;
    if (S_ISDIR(st.st_mode))
        return FILETYPE_DIR;
    if (S_ISLNK(st.st_mode))
        return FILETYPE_LINK;
    return FILETYPE_OTHER;
}
