// The current input file: one stdio stream for the whole program, read line
// by line into the shared LineBuf, with backslash-continued lines joined.
//
// InputFileName records the name given to the last open, cut to its size
// when longer. OpenInputFileF formats its path into a buffer of 512
// characters; a path that does not fit is refused like a file that cannot be
// opened (errno ENAMETOOLONG), naming the path as far as it fits.
#include "pathbuf.h"
#include "utils.h"

#include <cerrno>
#include <cstring>
#include <memory>

FILE* pIn = nullptr;
int FileStatus = 1;
char InputFileName[INPUT_FILE_NAME_SIZE];
char LineBuf[LINE_BUF_SIZE];
int LineLen = 0;

namespace {

constexpr std::size_t INPUT_PATH_SIZE = 512;
constexpr int FIRST_LINE_SIZE = 511; // at most 510 characters, line feed included
constexpr std::size_t SEARCH_LINE_SIZE = 512;

// Opens path as the current input file unless it was refused (fits false).
int OpenInput(const char* path, bool fits, int level) {
    const std::size_t len = strnlen(path, sizeof InputFileName - 1);
    std::memmove(InputFileName, path, len);
    InputFileName[len] = '\0';
    CloseInputFile();
    pIn = fits ? std::fopen(path, "rt") : nullptr;
    if (pIn) {
        FileStatus = 0;
        return 1;
    }
    if (!fits)
        errno = ENAMETOOLONG;
    ErrorMsg(level, 0, common_115, path);
    FileStatus = 2;
    LineBuf[0] = '\0';
    LineLen = 0;
    return 0;
}

struct FileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};

} // namespace

int OpenInputFile(const char* path, int level) {
    return OpenInput(path ? path : "", true, level);
}

int OpenInputFileF(int level, const char* fmt, ...) {
    char path[INPUT_PATH_SIZE];
    std::va_list ap;
    va_start(ap, fmt);
    const bool fits = FormatPathV(path, sizeof path, fmt, ap);
    va_end(ap);
    return OpenInput(path, fits, level);
}

void CloseInputFile() {
    if (!pIn)
        return;
    std::fclose(pIn);
    pIn = nullptr;
    FileStatus = 1;
}

int GetFileLine() {
    if (!pIn)
        return 0;
    if (!std::fgets(LineBuf, FIRST_LINE_SIZE, pIn)) {
        CloseInputFile();
        return 0;
    }
    // A physical line ending in backslash and line feed continues on the next
    // one, appended behind it; LineLen marks where the last one begins.
    LineLen = 0;
    char* p = LineBuf;
    while (std::strstr(p, "\\\n")) {
        const int len = static_cast<int>(std::strlen(p));
        LineLen += len;
        p += len;
        if (!std::fgets(p, LINE_BUF_SIZE - LineLen, pIn))
            break;
    }
    return 1;
}

int GetFileTextLine(const char* delims) {
    if (!delims)
        return 0;
    while (GetFileLine()) {
        if (LineBuf[0] == '#')
            continue;
        char* const word = std::strtok(LineBuf, delims);
        if (!word)
            continue;
        std::memmove(LineBuf, word, std::strlen(word) + 1);
        return 1;
    }
    return 0;
}

char* FileSearch(const char* path, const char* text, int level) {
    static char line[SEARCH_LINE_SIZE];
    const std::unique_ptr<FILE, FileCloser> f(OpenFile(nullptr, path, "rt", level));
    if (!f)
        return nullptr;
    while (std::fgets(line, SEARCH_LINE_SIZE - 1, f.get())) {
        if (!text || std::strstr(line, text))
            return line;
    }
    return nullptr;
}

// A position the stream cannot be moved to reads nothing.
char* fgetsp(char* buf, int n, FILE* stream, long pos) {
    if (!stream || std::fseek(stream, pos, SEEK_SET) != 0)
        return nullptr;
    return std::fgets(buf, n, stream);
}
