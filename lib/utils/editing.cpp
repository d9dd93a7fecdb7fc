// In-place editing of text files: the line reader for configuration-like
// sources (C comments, leading blanks and line ends removed), CamelCase
// names, and the explicit pair of input file and work file.
#include "pathbuf.h"
#include "utils.h"
#include "workfile.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <unistd.h>

char* pLine = Line;
int LineCnt = 0;
long InPos = 0;
char flInputFilterState = 1;
FILE* pOut = nullptr;
char Fn[EDIT_NAME_SIZE];
char FnOut[EDIT_NAME_SIZE];

namespace {

constexpr int READ_SIZE = EDIT_LINE_SIZE - 1; // fgets size: at most 510 characters

int gReadErrno = 0; // errno of the last failed read of a file being edited

// Removes the characters [from, to) of the C string that holds them.
void Erase(char* from, const char* to) {
    std::memmove(from, to, std::strlen(to) + 1);
}

// Applies the comment filter to the line in Line: the rest of a comment
// opened on the line before, a "//" comment and leading white space go, then
// the first "/*" comment of the line; later ones stay. Returns true when a
// comment opened on the line and stays open, so that the next line is to be
// read. A line read while a comment stays open keeps its line feed.
bool FilterLine(bool& commentOpen) {
    if (commentOpen) {
        if (char* end = std::strstr(Line, "*/")) {
            Erase(Line, end + 2);
            commentOpen = false;
        }
    }
    if (char* slashes = std::strstr(Line, "//"))
        *slashes = '\0';
    char* text = Line;
    while (*text && std::isspace(static_cast<unsigned char>(*text)))
        ++text;
    Erase(Line, text);
    if (Line[0] != '\0') {
        if (char* open = std::strstr(Line, "/*")) {
            char* const end = std::strstr(open + 2, "*/");
            if (!end) {
                *open = '\0';
                commentOpen = true;
                return true;
            }
            Erase(open, end + 2);
        }
    }
    if (!commentOpen && Line[0] != '\0') {
        if (char* lf = std::strchr(Line, '\n'))
            *lf = '\0';
    }
    return false;
}

} // namespace

int GetLine() {
    LineCnt = 0;
    pLine = Line;
    if (!pIn)
        return 0;
    InPos = std::ftell(pIn);
    bool commentOpen = false;
    for (;;) {
        if (!std::fgets(Line, READ_SIZE, pIn)) {
            workfile::NoteReadError(pIn);
            LineCnt = 0; // also after a comment that opened on the last line
            return 0;
        }
        ++LineCnt;
        if (!flInputFilterState || !FilterLine(commentOpen))
            break;
        InPos = std::ftell(pIn);
    }
    const std::size_t len = std::strlen(Line);
    std::memset(Line + len, 0, EDIT_LINE_SIZE - len);
    return LineCnt;
}

int GetLinePos(long pos) {
    if (!pIn || std::fseek(pIn, pos, SEEK_SET) != 0) {
        LineCnt = 0;
        pLine = Line;
        return 0;
    }
    return GetLine();
}

int GetLineN(int n) {
    int result = 0;
    for (int i = 0; i < n; ++i)
        result = GetLine();
    return result;
}

char* GenName(const char* text) {
    static char name[GEN_NAME_SIZE];
    std::size_t len = 0;
    const auto alnum = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; };
    const char* p = text ? text : "";
    while (*p && !std::isalpha(static_cast<unsigned char>(*p)))
        ++p;
    while (*p) {
        for (bool first = true; alnum(*p); ++p, first = false) {
            if (len + 1 >= sizeof name)
                continue; // full: the rest of the name is dropped
            const auto c = static_cast<unsigned char>(*p);
            name[len++] = static_cast<char>(first ? std::toupper(c) : std::tolower(c));
        }
        while (*p && !alnum(*p))
            ++p;
    }
    name[len] = '\0';
    return name;
}

void OpenIOFiles(const char* path, const char* ext, const char*) {
    if (!path)
        path = "";
    const bool fits = ext && *ext ? FormatPath(Fn, sizeof Fn, "%s.%s", path, ext)
                                  : FormatPath(Fn, sizeof Fn, "%s", path);
    if (!fits)
        workfile::RefuseName(Fn);
    if (!FormatPath(FnOut, sizeof FnOut, "%sout", Fn))
        workfile::RefuseName(FnOut);
    gReadErrno = 0;
    pIn = OpenFile(pIn, Fn, "rt", 2);
    pOut = OpenFile(pOut, FnOut, "wt", 2);
}

int ReplaceInputFile() {
    FILE* const in = pIn;
    FILE* const out = pOut;
    pIn = nullptr;
    FileStatus = 1;
    pOut = nullptr;
    if (Fn[0] == '\0') {
        // Nothing was opened through OpenIOFiles: only close what is open.
        if (in)
            std::fclose(in);
        if (out)
            std::fclose(out);
        return 0;
    }
    return workfile::Replace(in, out, Fn, FnOut) ? 1 : 0;
}

// ---------------------------------------------------------------------------
// Work files.

namespace workfile {

std::string_view ReadPiece(std::FILE* f, char* buf) {
    std::size_t n = 0;
    while (n < PIECE_MAX) {
        const int c = std::getc(f);
        if (c == EOF)
            break;
        buf[n++] = static_cast<char>(c);
        if (c == '\n')
            break;
    }
    buf[n] = '\0';
    if (n == 0)
        NoteReadError(f);
    return {buf, n};
}

void NoteReadError(std::FILE* f) {
    if (std::ferror(f))
        gReadErrno = errno != 0 ? errno : EIO;
}

bool Replace(std::FILE* in, std::FILE* out, const char* edited, const char* work) {
    const bool readFailed = in && std::ferror(in);
    const int readErrno = gReadErrno != 0 ? gReadErrno : EIO;
    gReadErrno = 0;
    if (in)
        std::fclose(in);
    int writeErrno = 0;
    if (out) {
        errno = 0;
        if (std::fflush(out) != 0 || std::ferror(out))
            writeErrno = errno != 0 ? errno : EIO;
        errno = 0;
        if (std::fclose(out) != 0 && writeErrno == 0)
            writeErrno = errno != 0 ? errno : EIO;
    }
    if (readFailed) {
        std::fprintf(stderr, "ERROR: can't read %s: %s\n", edited, std::strerror(readErrno));
        unlink(work);
        return false;
    }
    if (writeErrno != 0) {
        std::fprintf(stderr, "ERROR: can't write %s: %s\n", work, std::strerror(writeErrno));
        unlink(work);
        return false;
    }
    if (std::rename(work, edited) != 0) {
        std::fprintf(stderr, "ERROR: can't replace %s by %s: %s\n", edited, work,
                     std::strerror(errno));
        return false;
    }
    return true;
}

void RefuseName(const char* name) {
    errno = ENAMETOOLONG;
    SysError(common_115, name);
}

} // namespace workfile
