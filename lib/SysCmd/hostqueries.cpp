// Host queries: running programs, disk space and usage, the user who runs the
// program and the host's print spooler. Every answer comes from a host tool of
// the command table, run through a pipe, whose printed output is read by
// column.
//
// Arguments that name files are handed to the tools as single shell words, so
// that a path with blanks or shell characters reaches the tool unchanged.
#include "MemMgr.h"
#include "SysCmd.h"
#include "utils.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <strings.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::string_view COLUMN_DELIMS = " \t\n";
constexpr std::size_t USER_LINE_SIZE = 256;

// The fields of text between runs of delimiters.
std::vector<std::string_view> SplitFields(std::string_view text,
                                          std::string_view delims = COLUMN_DELIMS) {
    std::vector<std::string_view> fields;
    std::size_t pos = text.find_first_not_of(delims);
    while (pos != std::string_view::npos) {
        const std::size_t end = text.find_first_of(delims, pos);
        fields.push_back(text.substr(pos, end - pos));
        pos = text.find_first_not_of(delims, end);
    }
    return fields;
}

// text as one word of a shell command line: in single quotes, each quote of
// its own written as '\''.
std::string ShellWord(std::string_view text) {
    std::string word = "'";
    for (const char c : text) {
        if (c == '\'')
            word += "'\\''";
        else
            word += c;
    }
    word += '\'';
    return word;
}

// The output lines of a tool, released at the end of their scope.
class Response {
public:
    explicit Response(ResponseLine* head) : head_(head) {}
    ~Response() { FreeResponseList(head_); }
    Response(const Response&) = delete;
    Response& operator=(const Response&) = delete;

    const ResponseLine* First() const { return head_; }

private:
    ResponseLine* head_;
};

// A saved string released at the end of its scope; null stays null.
class SavedText {
public:
    explicit SavedText(char* text) : text_(text) {}
    ~SavedText() {
        if (text_)
            PutMem(text_);
    }
    SavedText(const SavedText&) = delete;
    SavedText& operator=(const SavedText&) = delete;

    const char* Get() const { return text_; }

private:
    char* text_;
};

// The number at the start of the first line of the usage report for path;
// 0 when the report prints no line.
double UsageOf(const std::string& path) {
    const Response report(GetCmdResponse(CMD_DU, nullptr, " %s", ShellWord(path).c_str()));
    return report.First() ? std::strtod(report.First()->pText, nullptr) : 0.0;
}

// A process id of a process id list; 0 for anything that is not a positive
// number (signalling 0 or a negative id would reach whole process groups).
pid_t ProcessId(std::string_view field) {
    long id = 0;
    const auto [end, ec] = std::from_chars(field.data(), field.data() + field.size(), id);
    if (ec != std::errc() || end != field.data() + field.size() || id <= 0 ||
        static_cast<pid_t>(id) != id)
        return 0;
    return static_cast<pid_t>(id);
}

bool IsAvailColumn(std::string_view field) {
    return field.size() >= 5 && strncasecmp(field.data(), "avail", 5) == 0;
}

} // namespace

// The report has no size limit: every running program of the list gets its
// line, however long the list and the report are.
char* CheckProcTableForExecs(const char* list) {
    if (!list)
        return nullptr;
    // The names are taken from a private copy: GetSysPsIdList uses the shared
    // tokenizer itself.
    const std::string names(list);
    std::string report;
    for (const std::string_view name : SplitFields(names, ",")) {
        const std::string program(name);
        const SavedText ids(GetSysPsIdList(program.c_str()));
        if (ids.Get()) {
            report += program;
            report += " (";
            report += ids.Get();
            report += ")\n";
        }
    }
    return report.empty() ? nullptr : SaveStr_(report.c_str());
}

void KillProcessByName(const char* name) {
    const SavedText ids(GetSysPsIdList(name));
    if (ids.Get()) {
        for (const std::string_view field : SplitFields(ids.Get())) {
            const pid_t pid = ProcessId(field);
            if (pid == 0)
                continue;
            if (kill(pid, SIGKILL) != 0 && errno == EPERM) {
                sleep(1);
                return;
            }
        }
    }
    sleep(1);
}

// The data line is kept in DfLine up to its size (a longer line is cut there,
// without its line feed); the "avail" field is read from the whole line. A
// query that fails leaves DfLine empty and Avail 0.
int GetDiskSpace(const char* path, DiskSpaceInfo* info) {
    if (!info)
        return 0;
    info->Avail = 0;
    info->DfLine[0] = '\0';
    if (!path)
        return 0;
    const Response report(GetCmdResponse(CMD_DF, nullptr, " %s", ShellWord(path).c_str()));
    const ResponseLine* header = report.First();
    if (!header)
        return 0;
    const std::vector<std::string_view> columns = SplitFields(header->pText);
    const auto avail = std::find_if(columns.begin(), columns.end(), IsAvailColumn);
    if (avail == columns.end())
        return 0;
    const ResponseLine* data = header->pNext;
    if (!data)
        return 1;
    const std::vector<std::string_view> fields = SplitFields(data->pText);
    const auto column = static_cast<std::size_t>(avail - columns.begin());
    if (column >= fields.size())
        return 0; // a wrapped data line
    const std::string_view line(data->pText);
    const std::size_t kept = std::min(line.size(), sizeof info->DfLine - 1);
    std::memcpy(info->DfLine, line.data(), kept);
    info->DfLine[kept] = '\0';
    info->Avail = std::strtod(std::string(fields[column]).c_str(), nullptr);
    return 1;
}

// 0 when the usage report prints no line (an unreadable or missing path).
double DUPath(const char* path) {
    return path ? UsageOf(path) : 0.0;
}

// A directory that does not exist is answered for by the nearest directory
// above it that the disk-free report knows; when none does, up to "/" (or "."
// for a relative name), the answer is 0.
int AvailSpace(const char* dir, const char* file, double need) {
    if (!dir)
        return 0;
    DiskSpaceInfo info;
    if (file && *file && FindFile(dir, file)) {
        // The file is to be replaced: the space it takes counts as available.
        const double used = UsageOf(std::string(dir) + "/" + file);
        GetDiskSpace(dir, &info);
        return info.Avail + used >= need ? 1 : 0;
    }
    std::string current(dir);
    while (!GetDiskSpace(current.c_str(), &info)) {
        std::string parent(StripFn(current.c_str()));
        if (parent.empty() || parent == current)
            return 0;
        current = std::move(parent);
    }
    return info.Avail >= need ? 1 : 0;
}

// Null when whoami cannot be run or prints nothing; its first line is read up
// to 255 characters.
char* GetUserName() {
    const SavedText command(GetCmd(CMD_WHOAMI));
    if (!command.Get()) {
        const uid_t uid = getuid();
        return uid == 0 ? SaveStr_("root") : SaveStr("User ID:  %d", static_cast<int>(uid));
    }
    FILE* const pipe = popen(command.Get(), "r");
    if (!pipe)
        return nullptr;
    char line[USER_LINE_SIZE];
    const bool gotLine = std::fgets(line, sizeof line, pipe) != nullptr;
    pclose(pipe);
    if (!gotLine)
        return nullptr;
    line[std::strcspn(line, "\n\r")] = '\0';
    return SaveStr_(line);
}

int SniffLprng() {
    if (!TestCmd(CMD_LPD))
        return 0;
    ResponseLine* const lines = GetCmdResponse(CMD_LPD, "LPRng", " -V 2>&1");
    if (!lines)
        return 0;
    FreeResponseList(lines);
    return 1;
}

int SniffCUPS() {
    return TestCmd(CMD_CUPSD) ? 1 : 0;
}

void SysGetSubnetMask(void*, void*, void*) {}
