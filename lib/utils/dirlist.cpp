// Directory listings as name lists (' a b c ': every name preceded by a blank,
// one blank at the end, a keyword list with the blank as delimiter) and the
// two existence tests.
//
// A listing is gathered in one pass and saved afterwards, so a directory that
// gains entries while it is read cannot overrun the list.
#include "MemMgr.h"
#include "pathbuf.h"
#include "utils.h"

#include <climits>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <sys/stat.h>

namespace {

constexpr std::size_t JOIN_PATH_SIZE = 256;

struct DirCloser {
    void operator()(DIR* d) const { closedir(d); }
};

// The name list of the entries of path that keep accepts, as a saved string;
// null when the directory cannot be opened, or (nullWhenEmpty) when no entry
// was kept.
template <typename Keep> char* NameList(const char* path, Keep keep, bool nullWhenEmpty) {
    if (!path)
        return nullptr;
    const std::unique_ptr<DIR, DirCloser> dir(opendir(path));
    if (!dir)
        return nullptr;
    std::string list;
    while (const char* name = ReadDir(dir.get(), nullptr)) {
        if (keep(std::string_view(name))) {
            list += ' ';
            list += name;
        }
    }
    if (list.empty() && nullWhenEmpty)
        return nullptr;
    list += ' ';
    return SaveStr_(list.c_str());
}

} // namespace

char* ReadDir(DIR* dir, void* /*entry*/) {
    if (!dir)
        return nullptr;
    dirent* const e = readdir(dir);
    return e ? e->d_name : nullptr;
}

char* GetDirFileList(const char* path) {
    return NameList(
        path, [](std::string_view) { return true; }, false);
}

// A null ext matches no name.
char* SearchDirFileList(const char* path, const char* ext) {
    if (!ext)
        return nullptr;
    const std::string_view want(ext);
    return NameList(
        path,
        [want](std::string_view name) {
            const std::size_t dot = name.rfind('.');
            return dot != std::string_view::npos && name.substr(dot + 1) == want;
        },
        true);
}

int FindFile_(const char* dir, const char* name) {
    if (!dir && (!name || !*name))
        return 0;
    char joined[JOIN_PATH_SIZE];
    const char* path = dir ? dir : name;
    if (dir && name) {
        if (!FormatPath(joined, sizeof joined, "%s/%s", dir, name))
            return 0;
        path = joined;
    }
    struct stat st;
    return stat(path, &st) == 0 ? 1 : 0;
}

int FindFile(const char* dir, const char* name) {
    if (!dir && (!name || !*name))
        return 0;
    if (!dir) {
        dir = name;
        name = nullptr;
    }
    char joined[JOIN_PATH_SIZE];
    if (!name || !*name) {
        name = StripPath(dir);
        dir = StripFn(dir);
    } else if (std::strchr(name, '/')) {
        if (!FormatPath(joined, sizeof joined, "%s/%s", dir, name))
            return 0;
        char* const slash = std::strrchr(joined, '/');
        *slash = '\0';
        dir = joined;
        name = slash + 1;
    }
    // No directory entry has a longer name.
    if (std::strlen(name) > NAME_MAX)
        return 0;
    char* const list = GetDirFileList(dir);
    if (!list)
        return 0;
    const int found = FindToken(name, list) ? 1 : 0;
    PutMem(list);
    return found;
}
