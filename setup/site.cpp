// The install site: the disks file, the copy of the listed files into the
// work area, the joined archive, and the installation from it.
#include "MemMgr.h"
#include "SysCmd.h"
#include "setup.h"
#include "utils.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::string_view kEndOfList = "end_of_list";
constexpr std::string_view kPieceLower = "pkg_tar.";
constexpr std::string_view kPieceUpper = "PKG_TAR.";
constexpr const char* kPkgDir = "pkg";

// Lower-case letters become upper-case ones, from the start of text up to the
// first place where the stop word begins.
void UpperCaseUpToEndOfList(char* text) {
    for (char* p = text; *p; ++p) {
        if (std::strncmp(p, kEndOfList.data(), kEndOfList.size()) == 0)
            break;
        if (*p >= 'a' && *p <= 'z')
            *p = static_cast<char>(*p - 'a' + 'A');
    }
}

// Calls fn with every word of text split at delims, up to the stop word. The
// scan keeps its own position, so that what fn runs cannot disturb it.
template <typename Fn> void ForEachName(const std::string& text, const char* delims, Fn fn) {
    std::string copy = text;
    std::string word(copy.size() + 1, '\0');
    char* pos = copy.data();
    for (const char* in = copy.data();; in = nullptr) {
        const char* name = GetTokenD(in, delims, &pos, word.data());
        if (!name || kEndOfList == name)
            return;
        fn(name);
    }
}

// The work area without trailing slashes: a symbolic link planted at its name
// is then removed as a link by rm, not followed into what it points at.
std::string WithoutTrailingSlash(const char* path) {
    std::string p = path;
    while (p.size() > 1 && p.back() == '/')
        p.pop_back();
    return p;
}

// Makes the work area afresh. Whatever is at its name is removed first; the
// directory is then made exclusively, so that nothing that appeared there in
// between (a link planted by someone else) is ever written through.
void MakeFreshWorkArea(const char* work) {
    DeleteFile(work, nullptr);
    if (mkdir(work, 0777) != 0)
        SysError("can't make the work area %s afresh", work);
}

void ChangeToWorkArea() {
    if (chdir(pZorvoInstallDir) != 0)
        SysError("can't change to the work area %s", pZorvoInstallDir);
}

} // namespace

void GetDisksData(const char* dir) {
    if (GetFileContent(dir, "disks"))
        return;
    if (!GetFileContent(dir, "DISKS"))
        ErrorMsg(2, 1, nlsSetupStrCvt(21), SETUP_MAKER);
    UpperCaseUpToEndOfList(LineBuf);
}

int installFromSite(const char* work) {
    const std::string area = WithoutTrailingSlash(work);
    MakeFreshWorkArea(area.c_str());
    GetDisksData(pPathToSetup);
    const std::string text = LineBuf;

    // Line by line; a line that is exactly the stop word ends the list, the
    // stop word inside a line ends only that line.
    std::string_view rest = text;
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        const std::string_view line = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view{} : rest.substr(end + 1);
        if (line.empty())
            continue;
        if (line == kEndOfList)
            break;
        ForEachName(std::string(line), " \t\n", [&](const char* name) {
            SysCmd(CMD_CP, SYSCMD_FATAL, "%s/%s %s", pPathToSetup, name, area.c_str());
        });
    }
    Install();
    return 0;
}

void genZFile() {
    ChangeToWorkArea();
    GetDisksData(pZorvoInstallDir);
    const std::string text = LineBuf;
    ForEachName(text, " \n", [](const char* name) {
        const std::string_view n = name;
        if (!n.starts_with(kPieceLower) && !n.starts_with(kPieceUpper))
            return;
        if (!FindFile(pZorvoInstallDir, name))
            return;
        SysCmd(-CMD_CAT, SYSCMD_FATAL, "%s/%s >> %s/%s.tar.Z", pZorvoInstallDir, name,
               pZorvoInstallDir, SETUP_ARCHIVE);
    });
}

int Install() {
    if (!readyForInstallation())
        return 0;
    genZFile();
    SysCmd(CMD_UNCOMPRESS, SYSCMD_FATAL, "%s/%s.tar.Z", pZorvoInstallDir, SETUP_ARCHIVE);
    ChangeToWorkArea();
    SysCmd(CMD_TAR_X, SYSCMD_FATAL, "%s/%s.tar", pZorvoInstallDir, SETUP_ARCHIVE);
    char* const tar = SaveStr("%s.tar", SETUP_ARCHIVE);
    DeleteFile(pZorvoInstallDir, tar);
    PutMem(tar);

    const char* const spool = SETUP_SPOOL_DIR;
    if (!pCurrentInstallDir) {
        createInstallationDirectories(pTargetInstallDir);
        createPrintingSubsystemFile(pAppDir);
        createQueueScripts(spool);
        CreateFile(spool, nullptr, "775", nullptr, nullptr);
        char* const download = SaveStr("%s/%s/__qva_download__", spool, SETUP_PRODUCT);
        CreateFile(download, nullptr, "777", nullptr, nullptr);
        PutMem(download);
    } else {
        createPrintingSubsystemFile(pAppDir);
        createQueueScripts(spool);
    }
    if (ProcessPkgList(kPkgDir) != 0)
        return 1;

    // The package's terminal and spool filter programs run with their owner's
    // rights.
    SysCmd(CMD_CHMOD, SYSCMD_QUIET, "755 %s/%s", pTargetInstallDir, SETUP_MAKER);
    for (const char* program : {"qvrqvxxtty", "qvsf"})
        SysCmd(CMD_CHMOD, SYSCMD_WARN, "4755 %s/%s", pAppDir, program);
    return 0;
}
