// The package list: the package's own command file that says which files and
// directories go where and which permissions, owners, links, names, launchers
// and text edits they get. Every line is a command, its operand and any
// number of attribute pairs, carried out with the host's tools through the
// command runner.
//
// Words are taken as they stand: they are split at blanks and line feeds only
// and a backslash is an ordinary character of its word, except that the
// backslash and line feed that continue a line on the next one separate two
// words like a blank.
#include "MemMgr.h"
#include "SysCmd.h"
#include "setup.h"
#include "utils.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <unistd.h>

namespace {

constexpr int kTextNoRelease = 60; // "failed ts get version"
constexpr const char* kListName = "pkg.list";
constexpr const char* kNewDirMode = "775";

enum class Command { Dir, DirTo, Touch, Copy, Mark, Comment, Version, Skip, NewDir, CheckPs };
enum class Attribute { Mode, Bat, Owner, Group, Link, Name, Sed, Unknown };

constexpr std::array<std::pair<std::string_view, Command>, 10> kCommands{{
    {"dir", Command::Dir},
    {"dirto", Command::DirTo},
    {"t", Command::Touch},
    {"c", Command::Copy},
    {"m", Command::Mark},
    {"#", Command::Comment},
    {"v", Command::Version},
    {"s", Command::Skip},
    {"newdir", Command::NewDir},
    {"checkps", Command::CheckPs},
}};

constexpr std::array<std::pair<std::string_view, Attribute>, 7> kAttributes{{
    {"mode", Attribute::Mode},
    {"bat", Attribute::Bat},
    {"owner", Attribute::Owner},
    {"group", Attribute::Group},
    {"link", Attribute::Link},
    {"name", Attribute::Name},
    {"sed", Attribute::Sed},
}};

// A word that is no command is a file to copy.
Command CommandOf(std::string_view word) {
    for (const auto& [name, command] : kCommands)
        if (name == word)
            return command;
    return Command::Copy;
}

Attribute AttributeOf(std::string_view word) {
    for (const auto& [name, attribute] : kAttributes)
        if (name == word)
            return attribute;
    return Attribute::Unknown;
}

// Whether d, the comparison of the release with the condition's one, fulfils
// the operator; an unknown operator never holds.
bool Holds(std::string_view op, int d) {
    if (op == "<")
        return d < 0;
    if (op == "<=")
        return d <= 0;
    if (op == "=")
        return d == 0;
    if (op == ">")
        return d > 0;
    if (op == ">=")
        return d >= 0;
    return false;
}

const char* ProgramName() {
    return my_name ? my_name : "";
}

// The words of one line of the list, its continuations joined.
class LineWords {
public:
    explicit LineWords(std::string_view line) {
        text_.reserve(line.size());
        for (std::size_t i = 0; i < line.size(); ++i) {
            if (line[i] == '\\' && i + 1 < line.size() && line[i + 1] == '\n') {
                text_ += ' ';
                ++i;
            } else {
                text_ += line[i];
            }
        }
    }

    // The next word, or nothing at the end of the line.
    std::optional<std::string> Next() {
        SkipSeparators();
        const std::size_t start = pos_;
        while (pos_ < text_.size() && !IsSeparator(text_[pos_]))
            ++pos_;
        if (pos_ == start)
            return std::nullopt;
        return text_.substr(start, pos_ - start);
    }

    // Everything from the next word up to the end of the line, blanks
    // included, or nothing when no word follows.
    std::optional<std::string> Rest() {
        SkipSeparators();
        const std::size_t start = pos_;
        const std::size_t end = text_.find('\n', start);
        pos_ = end == std::string::npos ? text_.size() : end;
        if (pos_ == start)
            return std::nullopt;
        return text_.substr(start, pos_ - start);
    }

private:
    static bool IsSeparator(char c) { return c == ' ' || c == '\n'; }
    void SkipSeparators() {
        while (pos_ < text_.size() && IsSeparator(text_[pos_]))
            ++pos_;
    }

    std::string text_;
    std::size_t pos_ = 0;
};

// A warning about line n of the list in the run log; the line is skipped.
void Skipped(int n, std::string_view command, const char* what) {
    PutLogMsg("%s: %s line %d: '%.*s' %s, skipped\n", common_036, kListName, n,
              static_cast<int>(command.size()), command.data(), what);
}

// A failure of the fatal kind outside the runner, reported as the runner does.
[[noreturn]] void Fatal(const char* what, const std::string& path, int err) {
    PutLogMsg("%s: %s %s: %s\n", common_035, what, path.c_str(), std::strerror(err));
    std::printf("%s: %s %s: %s\n", common_035, what, path.c_str(), std::strerror(err));
    std::fflush(stdout);
    std::exit(1);
}

// Makes the scratch file at path afresh, empty and owned by this process:
// whatever stands at the name (a link planted there included) is removed
// first and the file is created exclusively, never through a link. In the
// sticky /tmp nobody else can then remove or replace it, so the editor's
// appending redirection opens this very file. It takes the permission bits
// of the file it will replace, so that copying it back with its attributes
// keeps them.
void MakeScratchFile(const std::string& path, const std::string& edited) {
    struct stat st;
    const mode_t perms = stat(edited.c_str(), &st) == 0 ? (st.st_mode & 0777) : 0600;
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (lstat(path.c_str(), &st) == 0) {
            const int removed = S_ISDIR(st.st_mode) ? rmdir(path.c_str()) : unlink(path.c_str());
            if (removed != 0 && errno != ENOENT)
                Fatal("cannot remove the scratch file", path, errno);
        }
        const int fd =
            open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0) {
            const bool ok = fchmod(fd, perms) == 0;
            const int err = errno;
            close(fd);
            if (!ok)
                Fatal("cannot make the scratch file", path, err);
            return;
        }
        if (errno != EEXIST)
            break;
    }
    Fatal("cannot make the scratch file", path, errno);
}

// Edits A/F with the stream editor: its output goes to the scratch file,
// which then replaces A/F and is removed.
//
// The runner sends the standard output of a logged command to the run log by
// a redirection behind the command line, which would win over one of the
// command's own. The edit therefore ends with a second command of the list
// (":"), which takes the runner's redirections, while the editor's output
// and error output are redirected by the edit itself; the line's status is
// the editor's whenever that fails.
void EditWithSed(const std::string& script, const std::string& file) {
    const std::string scratch = std::string("/tmp/") + ProgramName() + ".tmp";
    const std::string edited = std::string(pAppDir) + "/" + file;
    MakeScratchFile(scratch, edited);
    const std::string errors =
        flUseLog ? std::string("/tmp/") + ProgramName() + ".log" : std::string("/dev/null");
    SysCmd(CMD_SED, SYSCMD_FATAL, "%s %s/%s >> %s 2>> %s && :", script.c_str(), pAppDir,
           file.c_str(), scratch.c_str(), errors.c_str());
    SysCmd(CMD_CP, SYSCMD_QUIET, "/tmp/%s.tmp %s/%s", ProgramName(), pAppDir, file.c_str());
    SysCmd(CMD_RM, SYSCMD_QUIET, "/tmp/%s.tmp", ProgramName());
}

// Carries out attribute key with value on A/F.
void Apply(std::string_view key, const std::string& value, const std::string& file) {
    const char* const a = pAppDir;
    const char* const f = file.c_str();
    const char* const v = value.c_str();
    switch (AttributeOf(key)) {
    case Attribute::Mode:
        SysCmd(CMD_CHMOD, SYSCMD_FATAL, "%s %s/%s", v, a, f);
        break;
    case Attribute::Bat: {
        const std::string launcher = "/usr/bin/" + value;
        GenSimpleScript(launcher.c_str(), ScriptShShell, SimpleScript, a, a, f);
        break;
    }
    case Attribute::Owner:
        SysCmd(CMD_CHOWN, SYSCMD_FATAL, "-R %s %s/%s", v, a, f);
        break;
    case Attribute::Group:
        SysCmd(CMD_CHGRP, SYSCMD_FATAL, "-R %s %s/%s", v, a, f);
        break;
    case Attribute::Link:
        SysCmd(CMD_LN, SYSCMD_FATAL, "-s %s/%s %s", a, f, v);
        break;
    case Attribute::Name:
        SysCmd(CMD_MV, SYSCMD_FATAL, "%s/%s %s/%s", a, f, a, v);
        break;
    case Attribute::Sed:
        EditWithSed(value, file);
        break;
    case Attribute::Unknown:
        break;
    }
}

// The attribute pairs of the rest of the line, each on A/F. A "sed" right
// after the operand takes the whole rest of the line as its value; a later
// one takes one word.
void ApplyAttributes(LineWords& words, const std::string& file) {
    std::optional<std::string> key = words.Next();
    if (!key)
        return;
    std::optional<std::string> value = *key == "sed" ? words.Rest() : words.Next();
    while (key && value) {
        Apply(*key, *value, file);
        key = words.Next();
        if (key)
            value = words.Next();
    }
}

// Whether A/F is a directory.
bool IsAppDirectory(const std::string& file) {
    struct stat st;
    const std::string path = std::string(pAppDir) + "/" + file;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Carries out one line of the list, the n-th; 1 when a checkps line ends the
// list because the user quits.
int CarryOut(LineWords& words, int n, const char* pkg) {
    std::optional<std::string> name = words.Next();
    if (!name)
        return 0;
    const char* const w = pZorvoInstallDir;
    const char* const a = pAppDir;
    for (;;) {
        const Command command = CommandOf(*name);
        if (command == Command::Comment)
            return 0;
        std::optional<std::string> operand = words.Next();
        if (command == Command::Version) {
            struct utsname system;
            if (uname(&system) != 0) {
                std::perror(nlsSetupStrCvt(kTextNoRelease));
                if (operand)
                    ApplyAttributes(words, *operand);
                return 0;
            }
            const std::optional<std::string> release = operand ? words.Next() : std::nullopt;
            if (!release) {
                Skipped(n, *name, "without a condition");
                return 0;
            }
            if (!Holds(*operand, std::strcmp(system.release, release->c_str())))
                return 0;
            name = words.Next();
            if (!name)
                return 0;
            continue; // the rest is a line of its own
        }
        if (!operand) {
            Skipped(n, *name,
                    command == Command::CheckPs ? "without a program list" : "without a file");
            return 0;
        }
        const char* const f = operand->c_str();
        switch (command) {
        case Command::Dir:
            SysCmd(CMD_CP_TREE, SYSCMD_WARN, "%s/%s/%s %s", w, pkg, f, a);
            break;
        case Command::DirTo: {
            const std::optional<std::string> to = words.Next();
            if (!to) {
                Skipped(n, *name, "without a destination");
                return 0;
            }
            SysCmd(CMD_CP_TREE, SYSCMD_WARN, "%s/%s/%s %s", w, pkg, f, to->c_str());
            break;
        }
        case Command::Touch:
            SysCmd(CMD_TOUCH, SYSCMD_WARN, "%s/%s", a, f);
            break;
        case Command::Copy:
            SysCmd(CMD_CP, SYSCMD_WARN, "%s/%s/%s %s", w, pkg, f, a);
            break;
        case Command::Mark:
        case Command::Skip:
            if (!FindFile(a, f))
                return 0;
            break;
        case Command::NewDir:
            // Made with its missing parents; a failure is a warning, and the
            // attributes then stay undone.
            if (IsAppDirectory(*operand))
                return 0;
            if (SysCmd(CMD_MKDIR, SYSCMD_WARN, "%s/%s", a, f) != 0)
                return 0;
            SysCmd(CMD_CHMOD, SYSCMD_WARN, "%s %s/%s", kNewDirMode, a, f);
            break;
        case Command::CheckPs:
            if (QuitForRunningProcesses(f) == 1)
                return 1;
            break;
        case Command::Comment:
        case Command::Version:
            break;
        }
        ApplyAttributes(words, *operand);
        return 0;
    }
}

// Physical lines in the text GetFileLine read.
int PhysicalLines(std::string_view text) {
    int lines = 0;
    for (const char c : text)
        lines += c == '\n';
    return text.empty() || text.back() == '\n' ? lines : lines + 1;
}

// Whether the text read ends before its line does, the line being longer than
// a line of the list may be. The rest of that line is read over.
bool CutShort(std::string_view text) {
    if (!pIn || text.empty() || text.back() == '\n' || std::feof(pIn))
        return false;
    bool more = false;
    for (int c = std::getc(pIn); c != EOF && c != '\n'; c = std::getc(pIn))
        more = true;
    return more;
}

} // namespace

int ProcessPkgList(const char* pkg) {
    OpenInputFileF(2, "%s/%s/%s", pZorvoInstallDir, pkg, kListName);
    int next = 1; // the number of the next physical line
    while (GetFileLine()) {
        const std::string_view text(LineBuf);
        const int n = next;
        next += PhysicalLines(text);
        if (CutShort(text)) {
            PutLogMsg("%s: %s line %d: longer than a line may be, skipped\n", common_036, kListName,
                      n);
            continue;
        }
        LineWords words(text);
        if (CarryOut(words, n, pkg) == 1)
            return 1; // the list stays open: the run only cleans up from here
    }
    CloseInputFile();
    return 0;
}
