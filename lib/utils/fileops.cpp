// File creation and removal through the command table, the writer of a
// one-text file and the direct shell runner.
#include "../SysCmd/runner_private.h"
#include "SysCmd.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>

namespace {

constexpr std::size_t kPathSize = 512;
constexpr std::size_t kCommandSize = 512;

bool ExistsAsPath(const char* path) {
    const std::string dir = StripFn(path);
    return FindFile(dir.c_str(), StripPath(path)) != 0;
}

void RemoveTree(const char* dir, const char* name) {
    SysCmd(CMD_RM_TREE, SYSCMD_WARN, "%s%s%s", dir, name ? "/" : "", name ? name : "");
}

} // namespace

int CreateTextFile(const char* path, const char* mode, int perm, const char* fmt, ...) {
    FILE* const fp = std::fopen(path, mode);
    if (!fp) {
        std::fprintf(stderr, common_007, path);
        return 0;
    }
    va_list ap;
    va_start(ap, fmt);
    std::vfprintf(fp, fmt, ap);
    va_end(ap);
    if (perm != 0)
        (void)fchmod(fileno(fp), static_cast<mode_t>(perm));
    std::fclose(fp);
    return 1;
}

// A null dir gives nothing to do. A path of dir and name that does not fit in
// 512 bytes is a failure of the fatal kind: nothing more is run.
void CreateFile(const char* dir, const char* name, const char* mode, const char* owner,
                const char* group) {
    if (!dir)
        return;
    if (!ExistsAsPath(dir))
        SysCmd(CMD_MKDIR, SYSCMD_FATAL, "%s", dir);
    char path[kPathSize];
    const int len =
        std::snprintf(path, sizeof path, "%s%s%s", dir, name ? "/" : "", name ? name : "");
    if (len < 0 || static_cast<std::size_t>(len) >= sizeof path) {
        char text[96];
        std::snprintf(text, sizeof text, "path too long (%d bytes, at most %zu)", len,
                      sizeof path - 1);
        syscmd::ReportFailure(SYSCMD_FATAL, {-1, text});
        return;
    }
    if (name)
        SysCmd(CMD_TOUCH, SYSCMD_FATAL, "%s", path);
    if (mode)
        SysCmd(CMD_CHMOD, SYSCMD_FATAL, "%s %s", mode, path);
    if (owner)
        SysCmd(CMD_CHOWN, SYSCMD_FATAL, "%s %s", owner, path);
    if (group)
        SysCmd(CMD_CHGRP, SYSCMD_FATAL, "%s %s", group, path);
}

void DeleteFile(const char* dir, const char* name) {
    if (!dir) {
        dir = name;
        name = nullptr;
    }
    if (!dir)
        return;
    if (FindFile(dir, name))
        RemoveTree(dir, name);
}

// A null dir is refused: nothing is run.
void DeleteFile_(const char* dir, const char* name) {
    if (!dir)
        return;
    const bool exists = name ? FindFile(dir, name) != 0 : ExistsAsPath(dir);
    if (exists)
        RemoveTree(dir, name);
}

void RenameFile(const char* dir, const char* oldName, const char* newName) {
    if (!oldName || !newName)
        return;
    if (dir) {
        if (FindFile(dir, oldName))
            SysCmd(-CMD_MV, SYSCMD_WARN, "%s/%s %s/%s", dir, oldName, dir, newName);
    } else if (FindFile(nullptr, oldName)) {
        SysCmd(-CMD_MV, SYSCMD_WARN, "%s %s", oldName, newName);
    }
}

// Level 2 reports with the text of common_034 filled with the first word of
// the command line, its line feed left out.
int SysCmdP(int level, const char* fmt, ...) {
    const bool report = level == 1 || level == 2;
    char line[kCommandSize];
    va_list ap;
    va_start(ap, fmt);
    const int len = std::vsnprintf(line, sizeof line, fmt, ap);
    va_end(ap);

    syscmd::Outcome outcome;
    if (len < 0 || static_cast<std::size_t>(len) >= sizeof line) {
        outcome = syscmd::TooLong(len < 0 ? 0 : static_cast<std::size_t>(len), sizeof line);
    } else {
        if (report)
            std::printf("%s\n", line);
        std::fflush(stdout);
        outcome = syscmd::JudgeStatus(std::system(line));
    }
    if (report && outcome.code != 0) {
        std::string prefix = common_035;
        if (level == 2) {
            const std::string tool(line, std::strcspn(line, " \t"));
            char text[kCommandSize + 64];
            std::snprintf(text, sizeof text, common_034, tool.c_str());
            prefix = text;
            if (!prefix.empty() && prefix.back() == '\n')
                prefix.pop_back();
        }
        std::fprintf(stderr, "%s: %s\n", prefix.c_str(), outcome.text.c_str());
        if (level == 2)
            std::exit(1);
    }
    (void)std::system("/usr/bin/sleep 1");
    return outcome.code;
}
