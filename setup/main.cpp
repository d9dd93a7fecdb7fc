// setup: the installer of the print package.
//
//   setup [dir] [install target] [-v]
//
// dir names the directory in which the work area dir/ZorvoInstall is made
// (/tmp by default), target the directory under which the package is
// installed (the previous installation's, else /usr); -v shows the version.
#include "setup.h"

int main(int argc, char** argv) {
    SetupStartUp(argc, argv);
    RunInstallation();
}
