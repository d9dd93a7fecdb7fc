// The free-space check: the sizes the install site asks for against the
// space the disk-free report shows for the work area and the target.
#include "SysCmd.h"
#include "setup.h"
#include "utils.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Margin added to each size of the install site.
constexpr double kMargin = 40;
// A target file system with this much or less available is full.
constexpr double kFullThreshold = 17;

[[noreturn]] void Refuse() {
    std::exit(0);
}

// The number a size file of the install site begins with, plus the margin.
// A missing file ends the installer with text 65; a file holding no number
// reads as 0.
double SiteSize(const char* name) {
    if (!GetFileContent(pPathToSetup, name)) {
        std::printf("%s", nlsSetupStrCvt(65));
        Refuse();
    }
    return std::strtod(LineBuf, nullptr) + kMargin;
}

} // namespace

void FreeSpaceForInstall(const char* work, const char* target, const char* maker) {
    const double I = SiteSize("isize");
    const double T = SiteSize("tsize");

    DiskSpaceInfo W{};
    DiskSpaceInfo D{};
    DiskSpaceInfo scratch{};
    int workExists = 0;
    char* const workBase = FindExistingPath(work, &workExists);
    if (!GetDiskSpace(workBase, &W))
        return; // the space of the work area cannot be told: no check
    if (workExists)
        W.Avail += DUPath(work); // an old work area is removed before the copy

    char* const app = SaveStr("%s/%s/%s", target, maker, SETUP_PRODUCT);
    char* const makerDir = SaveStr("%s/%s", target, maker);
    const char* dDir = nullptr;
    const char* reference = nullptr;
    if (FindFile(app, "")) {
        GetDiskSpace(app, &D);
        D.Avail += DUPath(app); // the previous installation there is replaced
        dDir = app;
    } else if (FindFile(makerDir, "")) {
        GetDiskSpace(makerDir, &D);
        dDir = reference = makerDir;
    } else if (FindFile(target, "")) {
        GetDiskSpace(target, &D);
        dDir = reference = target;
    } else {
        GetDiskSpace("/", &D);
        dDir = reference = "/";
    }

    if (reference) {
        GetDiskSpace(reference, &scratch);
        if (scratch.Avail <= kFullThreshold) {
            std::printf(nlsSetupStrCvt(56), work, target, I + T);
            Refuse();
        }
    }

    if (std::strcmp(W.DfLine, D.DfLine) == 0) {
        // One file system for both: their needs count together.
        GetDiskSpace(dDir, &scratch);
        const double N = scratch.Avail;
        const double room =
            (N < W.Avail || N < D.Avail) ? W.Avail + (D.Avail - N) : MaxD(W.Avail, D.Avail);
        if (room < I + T) {
            std::printf(nlsSetupStrCvt(56), work, target, I + T);
            Refuse();
        }
    } else if (W.Avail < T) {
        std::printf(nlsSetupStrCvt(49), pZorvoInstallDir, T);
        Refuse();
    } else if (D.Avail < I) {
        std::printf(nlsSetupStrCvt(55), target, I);
        Refuse();
    }
}
