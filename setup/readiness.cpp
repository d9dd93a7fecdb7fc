// Whether the installation may start (root, an older daemon in the way), the
// directories that make the package reachable as /usr/Zorvo/qvxx, the
// print-subsystem file and the queue scripts.
#include "MemMgr.h"
#include "SysCmd.h"
#include "TextMenu.h"
#include "setup.h"
#include "utils.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace {

constexpr int kAnswerSize = 512; // an answer line keeps at most 511 characters
constexpr const char* kAnswers = ",y,yes,n,no,";
constexpr int kAnswerY = 1, kAnswerYes = 2, kAnswerN = 3, kAnswerNo = 4;
constexpr const char* kPrintconfUtil = "/usr/share/printconf/util";
constexpr const char* kPrintScript = "ZorvoPrintqvxx";

// Reads one answer line into LineBuf, without its line feed, keeping its
// first 511 characters; the rest of a longer line is passed over, so that it
// does not count as further answers. False at the end of the input.
bool ReadAnswerLine() {
    int c = std::getchar();
    if (c == EOF)
        return false;
    std::size_t n = 0;
    for (; c != EOF && c != '\n'; c = std::getchar())
        if (n < kAnswerSize - 1)
            LineBuf[n++] = static_cast<char>(c);
    LineBuf[n] = '\0';
    return true;
}

// Asks text 63 until the answer is "y", "yes", "n" or "no" and returns its
// number in kAnswers. The end of the input is taken as "no".
int AskToContinue() {
    for (;;) {
        std::printf("%s", nlsSetupStrCvt(63));
        std::fflush(stdout);
        if (!ReadAnswerLine()) {
            std::printf("\n");
            return kAnswerNo;
        }
        const char* const word = GetToken(LineBuf, " \t\n");
        const int answer = word ? FindToken(word, kAnswers) : 0;
        if (answer != 0)
            return answer;
    }
}

} // namespace

int readyForInstallation() {
    char* const user = GetUserName();
    const bool isRoot = user && std::strcmp(user, "root") == 0;
    if (!isRoot) {
        // A name that cannot be had is shown as the user id, in the form the
        // host queries use when whoami is missing.
        char uid[32];
        std::snprintf(uid, sizeof uid, "User ID:  %d", static_cast<int>(getuid()));
        std::printf(nlsSetupStrCvt(35), user ? user : uid, my_name);
        std::fflush(stdout);
        flExitTextMenu = 1;
    }
    if (user)
        PutMem(user);
    if (!isRoot)
        return 0;

    if (pAppDir && (FindFile(pAppDir, "OmbrinD") || FindFile(pAppDir, "OmbrinDStop"))) {
        std::printf(nlsSetupStrCvt(62), SETUP_MAKER, SETUP_MAKER, SETUP_MAKER, SETUP_PRODUCT);
        switch (AskToContinue()) {
        case kAnswerY:
        case kAnswerYes:
            return 1;
        case kAnswerN:
        case kAnswerNo:
        default:
            std::exit(0);
        }
    }
    return 1;
}

void createInstallationDirectories(const char* target) {
    if (std::strcmp(target, "/usr") == 0) {
        CreateFile(pAppDir, nullptr, "755", nullptr, nullptr);
        return;
    }
    char* const app = SaveStr("%s/%s/%s", target, SETUP_MAKER, SETUP_PRODUCT);
    CreateFile(app, nullptr, "775", nullptr, nullptr);
    PutMem(app);
    char* const usrMaker = SaveStr("%s/%s", "/usr", SETUP_MAKER);
    if (GetFileType(usrMaker) == FILETYPE_NONE)
        CreateFile(usrMaker, nullptr, "775", nullptr, nullptr);
    PutMem(usrMaker);
    SysCmd(CMD_LN, SYSCMD_FATAL, "-s %s/%s/%s %s/%s/%s", target, SETUP_MAKER, SETUP_PRODUCT, "/usr",
           SETUP_MAKER, SETUP_PRODUCT);
}

void createPrintingSubsystemFile(const char* appDir) {
    const char* content = " BSD ";
    if (SniffLprng())
        content = " LPRng ";
    if (SniffCUPS())
        content = " CUPS "; // CUPS wins over LPRng
    char* const path = SaveStr("%s/.qv_cfg", appDir);
    CreateTextFile(path, "wt", 0644, "%s", content);
    PutMem(path);
}

void createQueueScripts(const char* spool) {
    char* const printScript = SaveStr("%s/%s", pAppDir, kPrintScript);
    generateZorvoPrintqvxxScript(printScript, ScriptShShell, ZorvoPrintqvxxScript);
    PutMem(printScript);

    char* const filterScript = SaveStr("%s/%s%s", pAppDir, SETUP_MAKER, "QVSF");
    char* const queueDir = SaveStr("%s/%s", spool, SETUP_PRODUCT);
    generateZorvoQVSFScript(filterScript, ScriptShShell, ZorvoQVSFScript, queueDir);
    PutMem(queueDir);
    PutMem(filterScript);

    // Red Hat's printconf offers the interface scripts of its util directory.
    if (SniffLprng() && FindFile(kPrintconfUtil, "") && !FindFile(kPrintconfUtil, kPrintScript))
        SysCmd(CMD_LN, SYSCMD_WARN, "-s %s/%s/%s/%s %s/%s", pTargetInstallDir, SETUP_MAKER,
               SETUP_PRODUCT, kPrintScript, kPrintconfUtil, kPrintScript);
}
