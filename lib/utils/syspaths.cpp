// Paths of the running system: the nearest existing ancestor of a path and
// the directory that holds the running program.
#include "utils.h"

#include <cerrno>
#include <cstring>
#include <string>
#include <string_view>
#include <unistd.h>

namespace {

constexpr std::size_t EXISTING_PATH_SIZE = 4096;

// The working directory as an absolute path, of any length; empty when the
// system cannot tell it.
std::string WorkingDirectory() {
    std::string buf(512, '\0');
    while (!getcwd(buf.data(), buf.size())) {
        if (errno != ERANGE)
            return {};
        buf.resize(buf.size() * 2);
    }
    buf.resize(std::strlen(buf.c_str()));
    if (buf.empty() || buf[0] != '/')
        return {};
    return buf;
}

// cwd with the leading "." and ".." components of rel applied to it, then
// the rest of rel appended. The working directory holds no symbolic links,
// so dropping its last component for each ".." names the same directory as
// the system would reach; ".." of the root is the root.
std::string ResolveUp(std::string dir, std::string_view rel) {
    for (;;) {
        if (rel == ".." || rel.starts_with("../")) {
            const std::size_t slash = dir.rfind('/');
            dir.resize(slash == 0 ? 1 : slash);
            rel.remove_prefix(rel.size() < 3 ? rel.size() : 3);
        } else if (rel == "." || rel.starts_with("./")) {
            rel.remove_prefix(rel.size() < 2 ? rel.size() : 2);
        } else if (rel.starts_with('/')) {
            rel.remove_prefix(1);
        } else {
            break;
        }
    }
    if (!rel.empty()) {
        if (dir.back() != '/')
            dir += '/';
        dir += rel;
    }
    return dir;
}

} // namespace

// The walk ends at the root for an absolute path and at "." for a relative
// one, which always exist; a root or working directory that cannot be read
// ends it there too. A path too long for the copy cannot exist itself; the
// walk starts at the longest of its ancestors that fits.
char* FindExistingPath(const char* path, int* exact) {
    if (!path)
        path = "";
    char copy[EXISTING_PATH_SIZE];
    const std::size_t len = strnlen(path, sizeof copy);
    if (len < sizeof copy) {
        std::memcpy(copy, path, len + 1);
    } else {
        std::memcpy(copy, path, sizeof copy - 1);
        copy[sizeof copy - 1] = '\0';
        if (path[sizeof copy - 1] != '/')
            std::strcpy(copy, StripFn(copy));
    }
    while (!FindFile(StripFn(copy), StripPath(copy))) {
        const char* const up = StripFn(copy);
        if (std::strcmp(up, copy) == 0)
            break;
        std::strcpy(copy, up);
    }
    if (exact && std::strcmp(copy, path) == 0)
        *exact = 1;
    return SaveStr_(copy);
}

// A name too long to be taken apart gives the empty string.
char* GetToolPath(const char* argv0) {
    if (!argv0)
        argv0 = "";
    const std::string dir = StripFn(argv0);
    if (dir.empty() || argv0[0] == '/')
        return SaveStr_(dir.c_str());
    const std::string cwd = WorkingDirectory();
    if (cwd.empty())
        return SaveStr_(dir.c_str()); // still names it, relative to here
    if (dir == "." || dir.starts_with("./"))
        return SaveStr_(cwd.c_str());
    if (dir.starts_with("../"))
        return SaveStr_(ResolveUp(cwd, dir).c_str());
    // The working directory, "/" and the name, without its last component.
    return SaveStr_((cwd + "/" + dir).c_str());
}
