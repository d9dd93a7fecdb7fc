// The command runner: composes a shell command line from a table entry, a
// mode and the caller's arguments, logs it, runs it and judges its end.
#include "../utils/format.h"
#include "MemMgr.h"
#include "SysCmd.h"
#include "runner_private.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int kWaitSeconds = 10;

const char* LogName() {
    return my_name ? my_name : "";
}

void AppendF(std::string& text, const char* fmt, ...) ZV_PRINTF(2, 3);
void AppendF(std::string& text, const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    AppendFormatV(text, fmt, ap);
    va_end(ap);
}

// After the command: a Wait of -1 waits up to ten seconds for a process of
// the tool's name, a positive one sleeps that long.
void AfterCommand(const SysCmdEntry& e) {
    if (e.Wait == -1) {
        char* list = GetSysPsIdList(e.pCommand);
        for (int i = 0; !list && i < kWaitSeconds; ++i) {
            sleep(1);
            list = GetSysPsIdList(e.pCommand);
        }
        if (list)
            PutMem(list);
        else
            PutLogMsg("ERROR: Time out for command %s\n", e.pCommand);
    } else if (e.Wait > 0) {
        sleep(static_cast<unsigned>(e.Wait));
    }
}

// Runs a table command line: system() hands it to sh, which starts the
// table's shell with the quoted command. When nothing in the quoted command
// means anything to the outer shell inside double quotes ($, `, \, "), that
// shell would pass it on unchanged, so the table's shell is started with it
// directly: the same command, one shell fewer. Like system(), the caller
// ignores SIGINT and SIGQUIT and blocks SIGCHLD while it waits.
int RunThroughShell(const std::string& line, std::size_t inner) {
    const std::string command = line.substr(inner, line.size() - inner - 1); // without the quote
    if (command.find_first_of("$`\\\"") != std::string::npos)
        return std::system(line.c_str());
    const std::string shell = std::string(ComList[CMD_SH].pPath) + "/" + ComList[CMD_SH].pCommand;

    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    struct sigaction oldInt {
    }, oldQuit{};
    sigaction(SIGINT, &ignore, &oldInt);
    sigaction(SIGQUIT, &ignore, &oldQuit);
    sigset_t block, oldMask;
    sigemptyset(&block);
    sigaddset(&block, SIGCHLD);
    sigprocmask(SIG_BLOCK, &block, &oldMask);

    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t defaults;
    sigemptyset(&defaults);
    if (oldInt.sa_handler != SIG_IGN)
        sigaddset(&defaults, SIGINT);
    if (oldQuit.sa_handler != SIG_IGN)
        sigaddset(&defaults, SIGQUIT);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setsigmask(&attr, &oldMask);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
    char* const argv[] = {const_cast<char*>("sh"), const_cast<char*>("-c"),
                          const_cast<char*>(command.c_str()), nullptr};
    pid_t pid = 0;
    int status = -1;
    const int err = posix_spawn(&pid, shell.c_str(), nullptr, &attr, argv, environ);
    posix_spawnattr_destroy(&attr);
    if (err == 0) {
        while (waitpid(pid, &status, 0) < 0) {
            if (errno != EINTR) {
                status = -1;
                break;
            }
        }
    } else {
        errno = err;
    }
    const int saved = errno;
    sigaction(SIGINT, &oldInt, nullptr);
    sigaction(SIGQUIT, &oldQuit, nullptr);
    sigprocmask(SIG_SETMASK, &oldMask, nullptr);
    errno = saved;
    return status;
}

} // namespace

namespace syscmd {

Outcome JudgeStatus(int status) {
    Outcome o;
    char text[64];
    if (status == -1) {
        const int err = errno;
        o.code = -1;
        o.text = std::string("cannot run the command: ") + std::strerror(err);
        errno = err;
    } else if (WIFEXITED(status) && WEXITSTATUS(status) != 0) {
        o.code = WEXITSTATUS(status);
        std::snprintf(text, sizeof text, "exit status %d", o.code);
        o.text = text;
    } else if (WIFSIGNALED(status)) {
        o.code = 128 + WTERMSIG(status);
        std::snprintf(text, sizeof text, "killed by signal %d", WTERMSIG(status));
        o.text = text;
    }
    return o;
}

Outcome TooLong(std::size_t length, std::size_t size) {
    char text[96];
    std::snprintf(text, sizeof text, "command line too long (%zu bytes, at most %zu), not run",
                  length, size - 1);
    errno = E2BIG;
    return {-1, text};
}

void ReportFailure(int mode, const Outcome& failure) {
    if (mode == SYSCMD_WARN) {
        PutLogMsg("%s: %s\n", common_036, failure.text.c_str());
    } else if (mode == SYSCMD_FATAL) {
        PutLogMsg("%s: %s\n", common_035, failure.text.c_str());
        std::printf("%s: %s\n", "ERROR", failure.text.c_str());
        std::fflush(stdout);
        std::exit(1);
    }
}

} // namespace syscmd

int SysCmd(int n, int mode, const char* fmt, ...) {
    bool logging = true;
    if (n < 0) {
        logging = false;
        n = n == INT_MIN ? INT_MAX : -n;
    }
    if (n == 0)
        logging = false;
    if (!syscmd::IsEntry(n)) {
        errno = EINVAL;
        syscmd::ReportFailure(mode, {-1, "no such command table entry: " + std::to_string(n)});
        return -1;
    }
    const bool logged = logging && (mode == SYSCMD_WARN || mode == SYSCMD_FATAL);

    syscmd::LazyLookup(n);
    std::string line;
    std::size_t inner = 0; // where the shell's quoted command starts
    if (n > 1) {
        syscmd::LazyLookup(CMD_SH);
        syscmd::RequireTool(n);
        syscmd::RequireTool(CMD_SH);
        const SysCmdEntry& e = ComList[n];
        AppendF(line, "%s/%s -c \"", ComList[CMD_SH].pPath, ComList[CMD_SH].pCommand);
        inner = line.size();
        AppendF(line, "%s/%s %s ", e.pPath, e.pCommand, e.pFlags);
    }
    va_list ap;
    va_start(ap, fmt);
    AppendFormatV(line, fmt, ap);
    va_end(ap);
    const std::size_t shown = line.size(); // what the log shows

    if (mode == SYSCMD_QUIET)
        line += " 1>/dev/null 2>/dev/null";
    else if (logged && flUseLog)
        AppendF(line, " 1>>/tmp/%s.log 2>>/tmp/%s.log", LogName(), LogName());
    else if (logged)
        line += " 1>>/dev/null 2>>/dev/null";
    if (n > 1)
        line += '"';

    if (line.size() >= static_cast<std::size_t>(SYSCMD_LINE_SIZE)) {
        const syscmd::Outcome refused = syscmd::TooLong(line.size(), SYSCMD_LINE_SIZE);
        syscmd::ReportFailure(mode, refused);
        return refused.code;
    }

    if (logged && flSysCmdLog) {
        std::fputs(".", stdout);
        std::fflush(stdout);
        PutLogMsg("%.*s\n", static_cast<int>(shown), line.c_str());
    }
    if (logged && flUseLog)
        syscmd::PrepareLog();

    const int status = n > 1 ? RunThroughShell(line, inner) : std::system(line.c_str());
    const syscmd::Outcome outcome = syscmd::JudgeStatus(status);
    if (outcome.code != 0)
        syscmd::ReportFailure(mode, outcome);
    AfterCommand(ComList[n]);
    return outcome.code;
}
