// The generated scripts: the two queue interface scripts and the launchers.
// Each is the shell line, the banner with the current year and a filled
// template; a script that was written whole is made executable (755).
#include "SysCmd.h"
#include "setup.h"
#include "utils.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

namespace {

constexpr const char* kProduct = "qvxx";
constexpr const char* kBsdLog = "ombrinqvxx";

int CurrentYear() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (!localtime_r(&now, &local))
        return 1970;
    return local.tm_year + 1900;
}

// Writes path afresh (opened at reporting level `level`). Returns 1 when the
// script was written whole; 0 when it could not be opened, or could not be
// written, which is reported on standard error and leaves it not executable.
int WriteScript(const char* path, int level, const char* shell, const char* tmpl, ...)
    ZV_PRINTF(4, 5);
int WriteScript(const char* path, int level, const char* shell, const char* tmpl, ...) {
    FILE* const fp = OpenFile(nullptr, path, "w+", level);
    if (!fp)
        return 0;
    std::fprintf(fp, "%s\n", shell);
    std::fprintf(fp, ScriptCopyRight, CurrentYear());
    va_list ap;
    va_start(ap, tmpl);
    std::vfprintf(fp, tmpl, ap);
    va_end(ap);
    int error = std::ferror(fp) ? errno : 0;
    if (std::fclose(fp) != 0 && error == 0)
        error = errno;
    if (error != 0) {
        const std::string text = std::string(path) + ": " + std::strerror(error);
        std::fprintf(stderr, common_116, text.c_str());
        return 0;
    }
    SysCmd(CMD_CHMOD, SYSCMD_QUIET, "755 %s", path);
    return 1;
}

} // namespace

int generateZorvoPrintqvxxScript(const char* path, const char* shell, const char* tmpl) {
    return WriteScript(path, 1, shell, tmpl, pAppDir, kProduct, kBsdLog, kBsdLog, kProduct,
                       kProduct);
}

int generateZorvoQVSFScript(const char* path, const char* shell, const char* tmpl,
                            const char* spoolQueueDir) {
    return WriteScript(path, 1, shell, tmpl, pAppDir, spoolQueueDir);
}

// A launcher that cannot be opened is left out without a message.
void GenSimpleScript(const char* path, const char* shell, const char* tmpl, const char* a,
                     const char* b, const char* c) {
    WriteScript(path, 0, shell, tmpl, a, b, c);
}
