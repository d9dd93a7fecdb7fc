// The table of host tools, their lookup on the search path, and the
// questions about single entries.
#include "MemMgr.h"
#include "SysCmd.h"
#include "runner_private.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

SysCmdEntry ComList[SYSCMD_ENTRIES] = {
    {"", "", nullptr, 0},             // 0: raw command line, unlogged
    {"", "", nullptr, 0},             // 1: raw command line, logged
    {"cancel", "", nullptr, 2},       // 2
    {"cat", "", nullptr, 0},          // 3
    {"chgrp", "", nullptr, 0},        // 4
    {"chmod", "", nullptr, 0},        // 5
    {"chown", "", nullptr, 0},        // 6
    {"clear", "", nullptr, 0},        // 7
    {"compress", "", nullptr, 0},     // 8
    {"cp", "-p", nullptr, 0},         // 9
    {"cp", "-pr", nullptr, 0},        // 10
    {"cupsd", "", nullptr, 0},        // 11
    {"id", "", nullptr, 0},           // 12
    {"echo", "", nullptr, 0},         // 13
    {"eject", "-f", nullptr, 1},      // 14
    {"eject", "-q", nullptr, 1},      // 15
    {"file", "", nullptr, 0},         // 16
    {"ln", "", nullptr, 0},           // 17
    {"lp", "", nullptr, 0},           // 18
    {"lpc", "", nullptr, 1},          // 19
    {"lpr", "", nullptr, 0},          // 20
    {"lprm", "", nullptr, 1},         // 21
    {"lpstat", "", nullptr, 1},       // 22
    {"ls", "", nullptr, 0},           // 23
    {"kill", "-KILL", nullptr, 0},    // 24
    {"mv", "-f", nullptr, 0},         // 25
    {"mkdir", "-p", nullptr, 0},      // 26
    {"more", "", nullptr, 0},         // 27
    {"ping", "", nullptr, 0},         // 28
    {"rm", "-f", nullptr, 0},         // 29
    {"rm", "-rf", nullptr, 0},        // 30
    {"sh", "", nullptr, 0},           // 31: the shell of every table command
    {"sleep", "", nullptr, 0},        // 32
    {"tar", "cvfp", nullptr, 0},      // 33
    {"tar", "xvfp", nullptr, 0},      // 34
    {"touch", "", nullptr, 0},        // 35
    {"uncompress", "", nullptr, 0},   // 36
    {"whoami", "", nullptr, 0},       // 37
    {"zcat", "", nullptr, 0},         // 38
    {"uname", "", nullptr, 0},        // 39
    {"sed", "", nullptr, 0},          // 40
    {"du", "-s", nullptr, 0},         // 41
    {"checkpc", "", nullptr, 0},      // 42
    {"lpd", "", nullptr, 0},          // 43
    {"pkgadd", "", nullptr, 1},       // 44
    {"pkginfo", "", nullptr, 0},      // 45
    {"pkgrm", "", nullptr, 1},        // 46
    {"accept", "", nullptr, 1},       // 47
    {"disable", "", nullptr, 1},      // 48
    {"enable", "", nullptr, 1},       // 49
    {"lpadmin", "", nullptr, 1},      // 50
    {"lpfilter", "", nullptr, 1},     // 51
    {"lpsched", "", nullptr, 1},      // 52
    {"lpshut", "", nullptr, 1},       // 53
    {"lpsystem", "", nullptr, 1},     // 54
    {"ps", "-ace", nullptr, 0},       // 55
    {"bar", "", nullptr, 0},          // 56
    {"df", "", nullptr, 0},           // 57
    {"lpq", "-P", nullptr, 0},        // 58
    {"ypcat", "", nullptr, 0},        // 59
    {"reject", "", nullptr, 1},       // 60
    {"pmadm", "", nullptr, 1},        // 61
    {"sacadm", "", nullptr, 1},       // 62
    {"volcheck", "", nullptr, 0},     // 63
    {"capture", "", nullptr, 0},      // 64
    {"lpset", "", nullptr, 1},        // 65
    {"instnetpr", "", nullptr, 1},    // 66
    {"piomkpq", "", nullptr, 0},      // 67
    {"piomisc_ext", "", nullptr, 0},  // 68
    {"piomisc_base", "", nullptr, 0}, // 69
    {"lsallq", "", nullptr, 0},       // 70
    {"mkque", "", nullptr, 0},        // 71
    {"mkquedev", "", nullptr, 0},     // 72
    {"rmque", "", nullptr, 0},        // 73
    {"rmquedev", "", nullptr, 0},     // 74
    {"piochdfq", "", nullptr, 0},     // 75
    {"enq", "", nullptr, 0},          // 76
    {"lsquedev", "", nullptr, 0},     // 77
    {"lsque", "", nullptr, 0},        // 78
    {"startsrc", "", nullptr, 1},     // 79
    {"stopsrc", "", nullptr, 0},      // 80
    {"lssrc", "", nullptr, 0},        // 81
    {nullptr, nullptr, nullptr, 0},   // 82: end of the table
};

char SearchPaths[44] = "/usr/sbin:/usr/bin:/bin:/sbin:/etc:/usr/etc";
char* FullSearchPath = nullptr;
char flInitSysCmd = 1;
char flSysCmdLog = 0;

namespace {

constexpr int kShell = 31;
constexpr int kLastEntry = SYSCMD_ENTRIES - 2; // 81

void MakeFullSearchPath(const char* path) {
    FullSearchPath = SaveStr("%s:%s", SearchPaths, path ? path : "");
}

bool IsTool(int n) {
    return n > 1 && syscmd::IsEntry(n);
}

} // namespace

namespace syscmd {

bool IsEntry(int n) {
    return n >= 0 && n <= kLastEntry;
}

void LazyLookup(int n) {
    if (flInitSysCmd && IsTool(n) && !ComList[n].pPath)
        FillCmdPath(n);
}

void RequireTool(int n) {
    if (IsTool(n) && !ComList[n].pPath) {
        std::fprintf(stderr, common_034, ComList[n].pCommand);
        std::exit(0);
    }
}

} // namespace syscmd

int FillCmdPaths(char* dir) {
    char* const names = GetDirFileList(dir);
    if (!names)
        return 1;
    bool missing = false;
    for (int n = 2; ComList[n].pCommand && *ComList[n].pCommand; ++n) {
        SysCmdEntry& e = ComList[n];
        if (!e.pPath && FindToken(e.pCommand, names))
            e.pPath = dir;
        if (!e.pPath)
            missing = true;
    }
    PutMem(names);
    return missing ? 1 : 0;
}

// The directories are taken from FullSearchPath in order, empty ones skipped;
// the shared tokenizer is left alone, so a lookup in the middle of a caller's
// scan does not disturb it.
int FillCmdPath(int n) {
    if (!IsTool(n))
        return 0;
    if (!FullSearchPath) {
        char* const path = GetEnv("PATH");
        MakeFullSearchPath(path);
        if (path)
            PutMem(path);
    }
    std::string_view rest(FullSearchPath);
    while (!rest.empty()) {
        const std::size_t colon = rest.find(':');
        const std::string dir(rest.substr(0, colon));
        rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
        if (!dir.empty() && FindFile(dir.c_str(), ComList[n].pCommand)) {
            ComList[n].pPath = SaveStr_(dir.c_str());
            return 1;
        }
    }
    return 0;
}

void InitSysCmdList() {
    flInitSysCmd = 0;
    char* const path = GetEnv("PATH");
    MakeFullSearchPath(path);

    bool missing = true;
    for (char* dir = GetTokenParse(SearchPaths, ":"); dir && missing;
         dir = GetTokenParse(nullptr, ":"))
        missing = FillCmdPaths(dir) != 0;
    // The copy of PATH is split in place and never released: the entries found
    // in it point into it.
    if (missing && path) {
        for (char* dir = GetTokenParse(path, ":"); dir && missing;
             dir = GetTokenParse(nullptr, ":"))
            missing = FillCmdPaths(dir) != 0;
    }

    // Without a shell SHELL stays as it is; every table command then ends the
    // process with common_034.
    if (ComList[kShell].pPath)
        putenv(SaveStr("SHELL=%s/%s ", ComList[kShell].pPath, ComList[kShell].pCommand));

    if (flUseLog) {
        flSysCmdLog = 1;
        PutLogMsg("initializing system\n");
    }
}

int TestCmd(int n) {
    syscmd::LazyLookup(n);
    return IsTool(n) && ComList[n].pPath ? 1 : 0;
}

char* GetCmd(int n) {
    syscmd::LazyLookup(n);
    if (!syscmd::IsEntry(n) || !ComList[n].pPath)
        return nullptr;
    const SysCmdEntry& e = ComList[n];
    return SaveStr("%s/%s %s", e.pPath, e.pCommand, e.pFlags);
}

// An entry whose tool was never found gives null, as with GetCmd.
char* GetCmdNoFlags(int n) {
    syscmd::LazyLookup(n);
    if (!syscmd::IsEntry(n) || !ComList[n].pPath)
        return nullptr;
    const SysCmdEntry& e = ComList[n];
    return SaveStr("%s/%s", e.pPath, e.pCommand);
}
