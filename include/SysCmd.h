// System services: the table of host tools, the command runner and its run
// log, process-id lists, and host queries (processes, disk space, user,
// print spooler).
//
// Every action on the host is a tool of ComList, addressed by its entry
// number. The runner composes a shell command line from the tool's
// directory, name and flags, the caller's printf-style arguments and a
// redirection chosen by the mode, logs it and runs it.
#pragma once

#include "utils.h"

// Modes of SysCmd.
inline constexpr int SYSCMD_QUIET = 0; // output to /dev/null, no report
inline constexpr int SYSCMD_WARN = 1;  // logged; a failure is a warning line in the log
inline constexpr int SYSCMD_FATAL = 2; // logged; a failure ends the process with status 1

inline constexpr int SYSCMD_ENTRIES = 83;
inline constexpr int SYSCMD_LINE_SIZE = 8192;     // a SysCmd command line
inline constexpr int SYSCMD_RESPONSE_SIZE = 4096; // a GetCmdResponse command line

// Entry numbers of ComList. Entry 0 runs the caller's text unlogged, entry 1
// logged; the others are the table's tools (variants of one tool are named
// after their flags). Entry 82 ends the table.
enum SysCmdNumber : int {
    CMD_RAW = 0,
    CMD_RAW_LOGGED = 1,
    CMD_CANCEL = 2,
    CMD_CAT = 3,
    CMD_CHGRP = 4,
    CMD_CHMOD = 5,
    CMD_CHOWN = 6,
    CMD_CLEAR = 7,
    CMD_COMPRESS = 8,
    CMD_CP = 9,
    CMD_CP_TREE = 10,
    CMD_CUPSD = 11,
    CMD_ID = 12,
    CMD_ECHO = 13,
    CMD_EJECT_F = 14,
    CMD_EJECT_Q = 15,
    CMD_FILE = 16,
    CMD_LN = 17,
    CMD_LP = 18,
    CMD_LPC = 19,
    CMD_LPR = 20,
    CMD_LPRM = 21,
    CMD_LPSTAT = 22,
    CMD_LS = 23,
    CMD_KILL = 24,
    CMD_MV = 25,
    CMD_MKDIR = 26,
    CMD_MORE = 27,
    CMD_PING = 28,
    CMD_RM = 29,
    CMD_RM_TREE = 30,
    CMD_SH = 31,
    CMD_SLEEP = 32,
    CMD_TAR_C = 33,
    CMD_TAR_X = 34,
    CMD_TOUCH = 35,
    CMD_UNCOMPRESS = 36,
    CMD_WHOAMI = 37,
    CMD_ZCAT = 38,
    CMD_UNAME = 39,
    CMD_SED = 40,
    CMD_DU = 41,
    CMD_CHECKPC = 42,
    CMD_LPD = 43,
    CMD_PKGADD = 44,
    CMD_PKGINFO = 45,
    CMD_PKGRM = 46,
    CMD_ACCEPT = 47,
    CMD_DISABLE = 48,
    CMD_ENABLE = 49,
    CMD_LPADMIN = 50,
    CMD_LPFILTER = 51,
    CMD_LPSCHED = 52,
    CMD_LPSHUT = 53,
    CMD_LPSYSTEM = 54,
    CMD_PS = 55, // "ps -ace": pid, class, priority, terminal, time, command
    CMD_BAR = 56,
    CMD_DF = 57,
    CMD_LPQ = 58,
    CMD_YPCAT = 59,
    CMD_REJECT = 60,
    CMD_PMADM = 61,
    CMD_SACADM = 62,
    CMD_VOLCHECK = 63,
    CMD_CAPTURE = 64,
    CMD_LPSET = 65,
    CMD_INSTNETPR = 66,
    CMD_PIOMKPQ = 67,
    CMD_PIOMISC_EXT = 68,
    CMD_PIOMISC_BASE = 69,
    CMD_LSALLQ = 70,
    CMD_MKQUE = 71,
    CMD_MKQUEDEV = 72,
    CMD_RMQUE = 73,
    CMD_RMQUEDEV = 74,
    CMD_PIOCHDFQ = 75,
    CMD_ENQ = 76,
    CMD_LSQUEDEV = 77,
    CMD_LSQUE = 78,
    CMD_STARTSRC = 79,
    CMD_STOPSRC = 80,
    CMD_LSSRC = 81,
};

struct SysCmdEntry {
    const char* pCommand; // the tool's file name; "" for entries 0 and 1, null ends the table
    const char* pFlags;   // default flags
    const char* pPath;    // directory the tool was found in, null until found
    int Wait;             // 0 nothing; N > 0 sleep N seconds; -1 wait for the process
};

extern SysCmdEntry ComList[SYSCMD_ENTRIES];
extern char SearchPaths[44]; // "/usr/sbin:/usr/bin:/bin:/sbin:/etc:/usr/etc"
extern char* FullSearchPath;
extern char flInitSysCmd; // 1: tools without a directory are looked up on use
extern char flSysCmdLog;  // 1: SysCmd shows its dot and logs its command lines

// The run log: "%s/%s.log" filled with pLogPath and my_name.
extern char flUseLog;
extern const char* pLogPath;
extern FILE* pLog;

struct ResponseLine {
    ResponseLine* pNext;
    char* pText; // the line with its line feed, in the same allocation as the record
};

void InitSysCmdList();
int FillCmdPaths(char* dir);
int FillCmdPath(int n);
int TestCmd(int n);
// Runs entry n (negative: entry -n, unlogged) in a mode. A command is judged
// by what the shell reports, and SysCmd returns:
//   0         it ran and ended with status 0;
//   1 to 255  its exit status;
//   128 + N   it was killed by signal N;
//   -1        it was not run: no such entry (errno EINVAL), a command line
//             that does not fit in SYSCMD_LINE_SIZE bytes (errno E2BIG), or
//             the shell could not be started (errno as system() left it).
// A failure in mode 1 appends "WARNING_MSG: <text>\n" to the log and goes on;
// in mode 2 "ERROR: <text>\n" goes to the log and to standard output and the
// process ends with status 1. <text> is "exit status N", "killed by signal N",
// "cannot run the command: <strerror>", "command line too long (L bytes, at
// most 8191), not run" or "no such command table entry: N". A tool whose
// directory is not known ends the process with common_034 and status 0.
// A table command line "<shell> -c \"<command>\"" is run as system() would run
// it; when <command> holds none of $ ` \ " (which the outer shell would change
// inside the double quotes), the table's shell is started with <command>
// directly, which saves one shell and changes nothing else.
// GetCmdResponse and GetCmdResponseStr refuse a command line that does not fit
// in SYSCMD_RESPONSE_SIZE bytes: "ERROR: command line too long (L bytes, at
// most 4095), not run\n" on standard error, null returned.
int SysCmd(int n, int mode, const char* fmt, ...) ZV_PRINTF(3, 4);
char* GetCmd(int n);
char* GetCmdNoFlags(int n); // null also when the tool was never found
ResponseLine* GetCmdResponse(int n, const char* filter, const char* fmt, ...) ZV_PRINTF(3, 4);
char* GetCmdResponseStr(int n, const char* filter, const char* fmt, ...) ZV_PRINTF(3, 4);
void FreeResponseList(ResponseLine* head);
void PutLogMsg(const char* fmt, ...) ZV_PRINTF(1, 2);
char* GetSysPsIdList(const char* name);

// Host queries.
inline constexpr int DF_LINE_SIZE = 512;
struct DiskSpaceInfo {
    char DfLine[DF_LINE_SIZE]; // the data line of the disk-free report
    double Avail;              // its "avail" column, in the report's unit
};

char* CheckProcTableForExecs(const char* list);
void KillProcessByName(const char* name);
int GetDiskSpace(const char* path, DiskSpaceInfo* info);
double DUPath(const char* path);
int AvailSpace(const char* dir, const char* file, double need);
char* GetUserName();
int SniffLprng();
int SniffCUPS();
void SysGetSubnetMask(void* a, void* b, void* c);
