// The run log: one file in /tmp named after the program, started afresh by
// the first message of a run and appended to afterwards, also by the shell
// redirections of the logged commands.
//
// The program runs as root and the name lies in a directory everybody may
// write, so the log is only ever written when the name holds a regular file
// with a single link that belongs to this process's user. Anything else
// standing there (a symbolic link, a device, a hard link to another file, a
// file of another user) is removed and a fresh file is made in its place.
#include "SysCmd.h"
#include "runner_private.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

char flUseLog = 0;
const char* pLogPath = "/tmp";
FILE* pLog = nullptr;

namespace {

constexpr std::size_t kLogNameSize = 256;
constexpr mode_t kLogMode = 0666;

bool IsOwnRegularFile(int fd) {
    struct stat st;
    return fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_nlink == 1 && st.st_uid == geteuid();
}

// A descriptor open for appending to the log at path, or -1. With truncate
// the log is emptied first.
int OpenLog(const std::string& path, bool truncate) {
    int fd =
        open(path.c_str(), O_WRONLY | O_APPEND | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd >= 0 && IsOwnRegularFile(fd)) {
        if (truncate && ftruncate(fd, 0) != 0) {
            close(fd);
            return -1;
        }
        return fd;
    }
    if (fd >= 0)
        close(fd);

    struct stat st;
    if (lstat(path.c_str(), &st) == 0) {
        const int removed = S_ISDIR(st.st_mode) ? rmdir(path.c_str()) : unlink(path.c_str());
        if (removed != 0)
            return -1;
    }
    fd = open(path.c_str(),
              O_WRONLY | O_APPEND | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, kLogMode);
    if (fd < 0)
        return -1;
    if (fchmod(fd, kLogMode) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

const char* LogName() {
    return my_name ? my_name : "";
}

} // namespace

namespace syscmd {

void PrepareLog() {
    if (!flUseLog)
        return;
    const std::string path = std::string("/tmp/") + LogName() + ".log";
    const int fd = OpenLog(path, false);
    if (fd < 0)
        std::fprintf(stderr, common_007, path.c_str());
    else
        close(fd);
}

} // namespace syscmd

void PutLogMsg(const char* fmt, ...) {
    static char flInit = 1;
    if (!flUseLog)
        return;
    pLogPath = "/tmp";
    const bool first = flInit != 0;
    flInit = 0;

    const std::string path = std::string(pLogPath) + "/" + LogName() + ".log";
    char name[kLogNameSize];
    const int len = std::snprintf(name, sizeof name, "%s.log", LogName());
    const int fd =
        len >= 0 && static_cast<std::size_t>(len) < sizeof name ? OpenLog(path, first) : -1;
    if (fd >= 0)
        pLog = fdopen(fd, "a");
    if (!pLog) {
        if (fd >= 0)
            close(fd);
        std::fprintf(stderr, common_007, path.c_str());
        return;
    }
    va_list ap;
    va_start(ap, fmt);
    std::vfprintf(pLog, fmt, ap);
    va_end(ap);
    std::fclose(pLog);
    pLog = nullptr;
}
