// The installation run once the start-up has settled the work area, the
// target and the application directory: the free-space check, the running
// programs of a previous installation and its move to a new target, the
// installation from the install site and the clean-up.
#include "MemMgr.h"
#include "SysCmd.h"
#include "setup.h"
#include "utils.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

struct FreeDeleter {
    void operator()(char* p) const { std::free(p); }
};

// Whether the target and the previous installation are one directory: the
// same name, or two names that resolve to the same place (a link, "..", a
// doubled slash). Moving a directory onto itself would first remove it.
bool SameDirectory(const char* target, const char* current) {
    if (std::strcmp(target, current) == 0)
        return true;
    const std::unique_ptr<char, FreeDeleter> a(realpath(target, nullptr));
    const std::unique_ptr<char, FreeDeleter> b(realpath(current, nullptr));
    return a && b && std::strcmp(a.get(), b.get()) == 0;
}

} // namespace

void MovePreviousInstallation() {
    const char* const target = pTargetInstallDir;
    const char* const current = pCurrentInstallDir;
    SysCmd(CMD_RM_TREE, SYSCMD_WARN, " %s", pAppDir);
    char* const makerDir = SaveStr("%s/%s", target, SETUP_MAKER);
    CreateFile(makerDir, nullptr, "755", nullptr, nullptr);
    PutMem(makerDir);
    SysCmd(CMD_MV, SYSCMD_FATAL, "-f %s/%s/%s %s/%s", current, SETUP_MAKER, SETUP_PRODUCT, target,
           SETUP_MAKER);

    // The package stays reachable as /usr/Zorvo/qvxx.
    char* const usrAppDir = SaveStr("%s/%s/%s", "/usr", SETUP_MAKER, SETUP_PRODUCT);
    if (std::strcmp(pAppDir, usrAppDir) != 0) {
        SysCmd(CMD_RM, SYSCMD_WARN, "%s", usrAppDir);
        SysCmd(CMD_LN, SYSCMD_FATAL, "-s %s/%s/%s %s", target, SETUP_MAKER, SETUP_PRODUCT,
               usrAppDir);
    }
    PutMem(usrAppDir);
}

void RunInstallation() {
    FreeSpaceForInstall(pZorvoInstallDir, pTargetInstallDir, SETUP_MAKER);
    bool quit = false;
    if (pCurrentInstallDir) {
        quit = QuitForRunningProcesses(pBinaryInstanceCheckList) == 1;
        if (!quit && !SameDirectory(pTargetInstallDir, pCurrentInstallDir))
            MovePreviousInstallation();
    }
    if (!quit)
        installFromSite(pZorvoInstallDir);
    ZorvoClean(pZorvoInstallDir);
    std::exit(0);
}
