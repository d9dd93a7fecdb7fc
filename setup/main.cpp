// setup: the installer of the print package.
//
//   setup [dir] [install target] [-v]
//
// dir names the directory in which the work area dir/ZorvoInstall is made
// (/tmp by default), target the directory under which the package is
// installed (the previous installation's, else /usr); -v shows the version.
#include "SysCmd.h"
#include "setup.h"
#include "utils.h"

#include <cstdlib>

int main(int argc, char** argv) {
    SetupStartUp(argc, argv);
    FreeSpaceForInstall(pZorvoInstallDir, pTargetInstallDir, SETUP_MAKER);
    if (pCurrentInstallDir)
        QuitForRunningProcesses(pBinaryInstanceCheckList);
    ZorvoClean(pZorvoInstallDir);
    return 0;
}
