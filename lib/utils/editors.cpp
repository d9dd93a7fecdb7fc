// The one-call editors: each rewrites a text file through its work file in
// one call, changing, deleting or prefixing what it finds line by line.
//
// Lines are handled in pieces of at most 510 characters, so a longer line is
// treated as several lines and a match across two pieces is not found. The
// bytes of a piece are kept whole, NUL bytes included.
#include "pathbuf.h"
#include "utils.h"
#include "workfile.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <utility>

namespace {

constexpr std::size_t NOT_FOUND = std::string_view::npos;
constexpr std::size_t REPLACEMENT_MAX = 127; // characters of FileChangeChar's replacement

enum class Outcome { Replaced, Abandoned, Failed };

void Put(std::FILE* out, std::string_view s) {
    std::fwrite(s.data(), 1, s.size(), out);
}

// Where text first occurs in line; a null text occurs nowhere.
std::size_t Find(std::string_view line, const char* text) {
    return text ? line.find(text) : NOT_FOUND;
}

// Writes line without the len characters found at at.
void PutWithout(std::FILE* out, std::string_view line, std::size_t at, std::size_t len) {
    Put(out, line.substr(0, at));
    Put(out, line.substr(at + len));
}

// The number that text gives read as "%i" does (decimal, 0-prefixed octal,
// 0x-prefixed hexadecimal), or nothing.
bool ReadNumber(const char* text, long& value) {
    if (!text)
        return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtol(text, &end, 0);
    return end != text && errno == 0;
}

// The character code that text gives, -1 when it gives none; a code outside
// 0..255 matches no character.
int CharCode(const char* text) {
    long value = 0;
    return ReadNumber(text, value) && value >= 0 && value <= UCHAR_MAX ? static_cast<int>(value)
                                                                       : -1;
}

bool IsCode(char ch, int code) {
    return static_cast<unsigned char>(ch) == code;
}

// The characters that a comma-separated list of codes gives, one per number;
// items that give no number are skipped, numbers beyond the first 127 are
// dropped.
std::string Replacement(const char* codes) {
    std::string r;
    std::string_view rest = codes ? codes : "";
    while (!rest.empty() && r.size() < REPLACEMENT_MAX) {
        const std::size_t comma = rest.find(',');
        const std::string item(rest.substr(0, comma));
        rest = comma == NOT_FOUND ? std::string_view() : rest.substr(comma + 1);
        long value = 0;
        if (ReadNumber(item.c_str(), value))
            r += static_cast<char>(value);
    }
    return r;
}

// The first skip matching lines are spared; Spare tells whether this one is.
struct Spared {
    int skip;
    bool Spare() {
        if (skip <= 0)
            return false;
        --skip;
        return true;
    }
};

// The prefix of FileInsert and FileSearchInsert with its markers resolved:
// "%s" and digits N start the counter at N; "%#" and digits K stand for the
// counter minus K in five digits, and lines whose counter is below K get no
// prefix. Missing digits count as 0.
struct Prefix {
    std::string before; // the text, or its part in front of "%#"
    std::string after;  // the part behind "%#" and its digits
    bool numbered = false;
    long long offset = 0; // K
    long long start = 0;  // N

    explicit Prefix(const char* text) {
        std::string t = text ? text : "";
        std::size_t at = t.find("%s");
        if (at != std::string::npos) {
            std::size_t end = at + 2;
            start = Digits(t, end);
            t.erase(at, end - at);
        }
        at = t.find("%#");
        if (at == std::string::npos) {
            before = std::move(t);
            return;
        }
        std::size_t end = at + 2;
        numbered = true;
        offset = Digits(t, end);
        before = t.substr(0, at);
        after = t.substr(end);
    }

    void Write(std::FILE* out, long long counter) const {
        if (numbered && counter < offset)
            return;
        Put(out, before);
        if (!numbered)
            return;
        std::fprintf(out, "%05lld", counter - offset);
        Put(out, after);
    }

    // The value of the digits of t at pos (capped at INT_MAX); pos moves past them.
    static long long Digits(const std::string& t, std::size_t& pos) {
        long long value = 0;
        for (; pos < t.size() && t[pos] >= '0' && t[pos] <= '9'; ++pos)
            value = std::min<long long>(value * 10 + (t[pos] - '0'), INT_MAX);
        return value;
    }
};

// Forms the names of the edited file and its work file, opens both (the
// process ends when either cannot be opened), hands each piece of the edited
// file to edit (line, out) and replaces the file by the work file. An edit
// that returns false abandons the rewriting: both files are closed and
// nothing is replaced.
template <class Edit> Outcome Rewrite(const char* path, const char* ext, Edit&& edit) {
    char edited[EDIT_NAME_SIZE];
    char work[EDIT_NAME_SIZE];
    if (!path)
        path = "";
    const bool withExt = ext && *ext;
    if (!(withExt ? FormatPath(edited, sizeof edited, "%s.%s", path, ext)
                  : FormatPath(edited, sizeof edited, "%s", path)))
        workfile::RefuseName(edited);
    if (!(withExt ? FormatPath(work, sizeof work, "%s.%sout", path, ext)
                  : FormatPath(work, sizeof work, "%s.out", path)))
        workfile::RefuseName(work);
    std::FILE* const in = OpenFile(nullptr, edited, "rt", 2);
    std::FILE* const out = OpenFile(nullptr, work, "wt", 2);
    char buf[EDIT_LINE_SIZE];
    for (std::string_view line; !(line = workfile::ReadPiece(in, buf)).empty();) {
        if (!edit(line, out)) {
            std::fclose(in);
            std::fclose(out);
            return Outcome::Abandoned;
        }
    }
    return workfile::Replace(in, out, edited, work) ? Outcome::Replaced : Outcome::Failed;
}

// Rewrites the file, keeping or dropping each piece as keep (line) says.
template <class Keep> void FilterLines(const char* path, const char* ext, Keep&& keep) {
    Rewrite(path, ext, [&](std::string_view line, std::FILE* out) {
        if (keep(line))
            Put(out, line);
        return true;
    });
}

} // namespace

void FileChange(const char* path, const char* ext, const char* find, const char* replace) {
    const std::string_view with = replace ? replace : "";
    Rewrite(path, ext, [&](std::string_view line, std::FILE* out) {
        const std::size_t at = Find(line, find);
        if (at == NOT_FOUND) {
            Put(out, line);
        } else {
            Put(out, line.substr(0, at));
            Put(out, with);
            Put(out, line.substr(at + std::string_view(find).size()));
        }
        return true;
    });
}

void FileChangeChar(const char* path, const char* ext, const char* code, const char* codes) {
    const int c = CharCode(code);
    const std::string with = Replacement(codes);
    Rewrite(path, ext, [&](std::string_view line, std::FILE* out) {
        for (const char ch : line) {
            if (IsCode(ch, c))
                Put(out, with);
            else
                std::fputc(ch, out);
        }
        return true;
    });
}

void FileDel(const char* path, const char* ext, int skip, const char* text) {
    Spared spared{skip};
    Rewrite(path, ext, [&](std::string_view line, std::FILE* out) {
        const std::size_t at = Find(line, text);
        if (at == NOT_FOUND || spared.Spare())
            Put(out, line);
        else
            PutWithout(out, line, at, std::string_view(text).size());
        return true;
    });
}

int FileDelFormat(const char* path, const char* ext, const char* format, const char* text) {
    const char how = format ? format[0] : '\0';
    const int code = how == 'c' ? CharCode(text) : -1;
    const std::size_t len = text ? std::string_view(text).size() : 0;
    const Outcome outcome = Rewrite(path, ext, [&](std::string_view line, std::FILE* out) {
        const std::size_t at = how == 'c' ? NOT_FOUND : Find(line, text);
        switch (how) {
        case '\0':
            if (at == NOT_FOUND)
                Put(out, line);
            else
                PutWithout(out, line, at, len);
            return true;
        case 'a':
            Put(out, line.substr(0, at == NOT_FOUND ? NOT_FOUND : at + len));
            if (at != NOT_FOUND)
                std::fputc('\n', out);
            return true;
        case 'b':
            Put(out, at == NOT_FOUND ? line : line.substr(at));
            return true;
        case 'c':
            for (const char ch : line) {
                if (!IsCode(ch, code))
                    std::fputc(ch, out);
            }
            return true;
        case 'l':
            if (at == NOT_FOUND)
                Put(out, line);
            return true;
        default:
            return false;
        }
    });
    switch (outcome) {
    case Outcome::Replaced:
        return 0;
    case Outcome::Abandoned:
        return 1;
    case Outcome::Failed:
        break;
    }
    return 2;
}

void FileInsert(const char* path, const char* ext, const char* text) {
    const Prefix prefix(text);
    long long counter = prefix.start;
    Rewrite(path, ext, [&](std::string_view line, std::FILE* out) {
        prefix.Write(out, counter++);
        Put(out, line);
        return true;
    });
}

void FileSearchInsert(const char* path, const char* ext, const char* text, const char* key) {
    const Prefix prefix(text);
    long long counter = prefix.start;
    Rewrite(path, ext, [&](std::string_view line, std::FILE* out) {
        if (Find(line, key) != NOT_FOUND)
            prefix.Write(out, counter++);
        Put(out, line);
        return true;
    });
}

void FileDelLine(const char* path, const char* ext, int skip, const char* text) {
    Spared spared{skip};
    FilterLines(path, ext, [&](std::string_view line) {
        return Find(line, text) == NOT_FOUND || spared.Spare();
    });
}

void FileDelLinePair(const char* path, const char* ext, int skip, const char* start,
                     const char* end) {
    Spared spared{skip};
    long depth = 0; // open pairs
    FilterLines(path, ext, [&](std::string_view line) {
        if (Find(line, start) != NOT_FOUND) {
            if (spared.Spare())
                return true;
            ++depth;
            return false;
        }
        if (depth > 0 && Find(line, end) != NOT_FOUND) {
            --depth;
            return false;
        }
        return true;
    });
}
