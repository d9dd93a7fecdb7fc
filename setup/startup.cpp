// The installer's start-up: its globals, the command line, the previous
// installation and the target directory.
#include "MemMgr.h"
#include "SysCmd.h"
#include "setup.h"
#include "utils.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

char* pZorvoInstallDir = nullptr;
char* pPathToSetup = nullptr;
char* pCmdLineInstallDir = nullptr;
char* pCurrentInstallDir = nullptr;
char* pTargetInstallDir = nullptr;
char* pAppDir = nullptr;
char flCreatedTmpDir = 0;
const char* const pBinaryInstanceCheckList = ",qvadmin,qvqadmin,ombrin,qvrqvxxtty,QVQ,QVRM,qvsf,";
const char* InstallInfo[6] = {};
const char* InstallSiteInfo[5] = {};

namespace {

constexpr const char* kOptions = ",install,-v";

// Characters that the shell would interpret in the command lines the paths
// are composed into; control characters are refused as well.
constexpr const char* kShellSpecials = " '\"$`\\;&|<>*?()[]{}~#";

// A path that the command lines could not carry as one plain word ends the
// run with status 1 before anything is made.
void RefuseShellPath(const char* path) {
    for (const char* p = path; *p; ++p) {
        const auto c = static_cast<unsigned char>(*p);
        if (c < 0x20 || c == 0x7f || std::strchr(kShellSpecials, c)) {
            std::fprintf(stderr,
                         "%s: the path '%s' holds characters the installer cannot pass to the "
                         "shell\n",
                         my_name, path);
            std::exit(1);
        }
    }
}

// A work area or target named relative to the current directory would be
// taken relative to the work area once the installation changes into it (the
// package would land in the work area and go with it): such a path ends the
// run with status 1 as well.
void RefuseCommandLinePath(const char* path) {
    if (path[0] != '/') {
        std::fprintf(stderr, "%s: the path '%s' is not a full path (beginning with '/')\n", my_name,
                     path);
        std::exit(1);
    }
    RefuseShellPath(path);
}

// Cuts s at the first occurrence of part.
void CutAt(char* s, const char* part) {
    if (char* p = StrStr(s, part))
        *p = '\0';
}

// Makes the directory named for the work area. The directory is made through
// the command table; when it still does not exist afterwards, text 3 and an
// empty line end the installer with status 2.
void MakeWorkAreaDirectory(const char* dir) {
    if (FindFile(dir, ""))
        return;
    flCreatedTmpDir = 1;
    // Not through CreateFile: a failing mkdir must not end the run with the
    // status of a failing command, but with that of an unusable work area.
    SysCmd(CMD_MKDIR, SYSCMD_WARN, "%s", dir);
    if (!FindFile(dir, "")) {
        std::printf(nlsSetupStrCvt(3), dir);
        std::printf("\n\n");
        std::exit(2);
    }
}

void SetWorkArea(const char* arg) {
    RefuseCommandLinePath(arg);
    char* dir = SaveStr_(arg);
    const std::size_t len = std::strlen(dir);
    if (len > 0 && dir[len - 1] == '/')
        dir[len - 1] = '\0';
    pZorvoInstallDir = SaveStr("%s/%sInstall", dir, SETUP_MAKER);
    MakeWorkAreaDirectory(dir);
}

} // namespace

char* StripToBaseName(char* path) {
    if (!path)
        return nullptr;
    CutAt(path, SETUP_PRODUCT);
    CutAt(path, SETUP_MAKER);
    const std::size_t len = std::strlen(path);
    if (len > 1 && path[len - 1] == '/')
        path[len - 1] = '\0';
    return path;
}

void parseCommandLineOptions(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        switch (FindToken(argv[i], kOptions)) {
        case 1: // install <target>
            if (i + 1 < argc) {
                pCmdLineInstallDir = StripToBaseName(argv[++i]);
                RefuseCommandLinePath(pCmdLineInstallDir);
            }
            break;
        case 2: // -v
            std::fprintf(stderr, "%s %s\n", my_name, SETUP_VERSION);
            std::exit(0);
        default: // the directory of the work area
            SetWorkArea(argv[i]);
            break;
        }
    }
}

char* locatePreviousInstallation() {
    char* const usr = SaveStr_("/usr");
    char* const link = SaveStr("%s/%s/%s", usr, SETUP_MAKER, SETUP_PRODUCT);
    struct stat st;
    if (lstat(link, &st) != 0)
        return nullptr;
    char target[256] = {};
    if (readlink(link, target, sizeof target - 1) < 0)
        return usr; // a real directory (or file)
    if (target[0] == '/')
        return StripToBaseName(SaveStr_(target));
    return StripToBaseName(SaveStr("%s/%s", usr, target));
}

void SetupStartUp(int argc, char** argv) {
    flUseLog = 1;
    pZorvoInstallDir = SaveStr("/tmp/%sInstall", SETUP_MAKER);
    LineBuf[0] = '\0';
    pPathToSetup = GetToolPath(argv[0]);
    my_name = SaveStr_(StripPath(argv[0]));
    InitSysCmdList();
    for (int i = 0; i < 5; ++i)
        InstallInfo[i] = nlsSetupStrCvt(10 + i);
    const int siteTexts[] = {10, 11, 17, 18};
    for (int i = 0; i < 4; ++i)
        InstallSiteInfo[i] = nlsSetupStrCvt(siteTexts[i]);
    parseCommandLineOptions(argc, argv);
    pCurrentInstallDir = locatePreviousInstallation();
    pTargetInstallDir = pCmdLineInstallDir   ? pCmdLineInstallDir
                        : pCurrentInstallDir ? pCurrentInstallDir
                                             : SaveStr_("/usr");
    // A previous installation behind a link, and the install site, are
    // composed into the command lines as well.
    RefuseShellPath(pTargetInstallDir);
    RefuseShellPath(pPathToSetup);
    pAppDir = SaveStr("%s/%s/%s", pTargetInstallDir, SETUP_MAKER, SETUP_PRODUCT);
}
