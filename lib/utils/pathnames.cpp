// Path-name surgery. Each function returns its result in a static buffer of
// its own, overwritten by its next call; a caller that needs a result later
// copies it. The buffers hold any path the system can name (PATH_RESULT_SIZE
// bytes, the text and its NUL). An input too long for them gives the empty
// string: a cut path could name another file or directory.
//
// A result may be passed back to the function that made it (StripFn of a
// StripFn result climbs one more level).
#include "utils.h"

#include <cctype>
#include <cstring>
#include <string_view>

namespace {

constexpr std::size_t PATH_RESULT_SIZE = 4096;

using ResultBuf = char[PATH_RESULT_SIZE];

// True when s with its NUL fits a result buffer.
bool Fits(const char* s) {
    return strnlen(s, PATH_RESULT_SIZE) < PATH_RESULT_SIZE;
}

// Puts text into buf (text may lie inside buf) and returns buf.
char* Store(ResultBuf& buf, std::string_view text) {
    if (!text.empty())
        std::memmove(buf, text.data(), text.size());
    buf[text.size()] = '\0';
    return buf;
}

// The text up to the first '.' that follows a character other than '.'.
std::string_view CutExt(std::string_view name) {
    const std::size_t first = name.find_first_not_of('.');
    if (first == std::string_view::npos)
        return name;
    return name.substr(0, name.find('.', first));
}

// The last component (trailing slashes ignored); a path without one, empty or
// of slashes only, is returned unchanged.
std::string_view LastComponent(std::string_view path) {
    const std::size_t end = path.find_last_not_of('/');
    if (end == std::string_view::npos)
        return path;
    const std::size_t slash = path.find_last_of('/', end);
    const std::size_t start = slash == std::string_view::npos ? 0 : slash + 1;
    return path.substr(start, end + 1 - start);
}

} // namespace

char* StripExt(const char* name) {
    static ResultBuf buf;
    if (!name || !Fits(name))
        return Store(buf, {});
    return Store(buf, CutExt(name));
}

char* StripPath(const char* path) {
    static ResultBuf buf;
    if (!path || !Fits(path))
        return Store(buf, {});
    return Store(buf, LastComponent(path));
}

char* StripPathExt(const char* path) {
    static ResultBuf buf;
    if (!path || !Fits(path))
        return Store(buf, {});
    return Store(buf, CutExt(LastComponent(path)));
}

char* StripFn(const char* path) {
    static ResultBuf buf;
    if (!path || !*path)
        return Store(buf, ".");
    if (!Fits(path))
        return Store(buf, {});
    const std::string_view p(path);
    const std::size_t slash = p.rfind('/');
    if (slash == std::string_view::npos)
        return Store(buf, ".");
    return Store(buf, p.substr(0, slash == 0 ? 1 : slash));
}

char* StripPathName(const char* path) {
    static ResultBuf buf;
    if (!path || !Fits(path))
        return Store(buf, {});
    const std::string_view p(path);
    if (p.empty() || p == "." || p == "..")
        return Store(buf, {});
    Store(buf, p);
    // The first piece up to a '/', then the pieces of the rest between dots:
    // the last of them before one whose second character is a '/'.
    char* save = nullptr;
    char* result = strtok_r(buf, "/", &save);
    if (!result)
        return buf;
    while (char* piece = strtok_r(nullptr, ".", &save)) {
        if (piece[1] == '/')
            break;
        result = piece;
    }
    return result;
}

char* SkipSpace(char* s) {
    if (!s)
        return nullptr;
    while (*s && std::isspace(static_cast<unsigned char>(*s)))
        ++s;
    return s;
}
