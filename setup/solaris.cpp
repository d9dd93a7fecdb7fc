// The upgrade of the package as the SVR4 package tools know it: every regular
// file of the package map is registered with installf and copied into place,
// and the recorded version becomes the installer's own.
#include "MemMgr.h"
#include "SysCmd.h"
#include "setup.h"
#include "utils.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr const char* kFileTypes = ",f,d,i,";
constexpr int kRegularFile = 1;
constexpr std::size_t kMapWords = 7; // part, type, class, path, mode, owner, group

// Runs a command line through the shell, unlogged, its result not examined.
void RunUnlogged(char* command) {
    if (std::system(command) == -1)
        std::perror(command);
    PutMem(command);
}

void Dot() {
    std::printf(".");
    std::fflush(stdout);
}

// The words of a line of the package map, split at blanks and line feeds.
std::vector<std::string> MapWords(const char* line) {
    std::vector<std::string> words;
    std::string copy = line;
    std::string word(copy.size() + 1, '\0');
    char* pos = copy.data();
    for (const char* in = copy.data();; in = nullptr) {
        const char* w = GetTokenD(in, " \n", &pos, word.data());
        if (!w)
            return words;
        words.emplace_back(w);
    }
}

// Registers one regular file with the package database and copies it from
// the unpacked package into place: absolute paths as they stand, relative ones
// below the target's maker directory.
void InstallMapFile(const char* pkgName, const std::vector<std::string>& w) {
    const char* const type = w[1].c_str();
    const char* const cls = w[2].c_str();
    const char* const path = w[3].c_str();
    const char* const mode = w[4].c_str();
    const char* const owner = w[5].c_str();
    const char* const group = w[6].c_str();
    if (path[0] == '/') {
        RunUnlogged(SaveStr("installf -c %s %s %s %s %s %s %s", cls, pkgName, path, type, mode,
                            owner, group));
        RunUnlogged(SaveStr("cp %s/%s/root%s %s", pZorvoInstallDir, pkgName, path, path));
    } else {
        RunUnlogged(SaveStr("installf -c %s %s %s/%s/%s %s %s %s %s", cls, pkgName,
                            pTargetInstallDir, SETUP_MAKER, path, type, mode, owner, group));
        RunUnlogged(SaveStr("cp %s/%s/reloc/%s %s/%s/%s", pZorvoInstallDir, pkgName, path,
                            pTargetInstallDir, SETUP_MAKER, path));
    }
    Dot();
}

} // namespace

int upgradeSolarisPackage(const char* pkgName, const char* pkgDir) {
    OpenInputFileF(2, "%s/TDRLqvxx/pkgmap", pkgDir);
    while (GetFileLine()) {
        const std::vector<std::string> words = MapWords(LineBuf);
        if (words.size() < kMapWords || FindToken(words[1].c_str(), kFileTypes) != kRegularFile)
            continue;
        InstallMapFile(pkgName, words);
    }
    RunUnlogged(SaveStr("installf -f %s", pkgName));

    SysCmd(CMD_RM, SYSCMD_WARN, "/var/sadm/pkg/%s/pkginfo.tmp", pkgName);
    RunUnlogged(SaveStr("sed -e\"s/VERSION=[0-9.].*/VERSION=%s/\" /var/sadm/pkg/%s/pkginfo >> "
                        "/var/sadm/pkg/%s/pkginfo.tmp",
                        SETUP_VERSION, pkgName, pkgName));
    Dot();
    SysCmd(CMD_MV, SYSCMD_WARN, "/var/sadm/pkg/%s/pkginfo.tmp /var/sadm/pkg/%s/pkginfo", pkgName,
           pkgName);
    return 1;
}
