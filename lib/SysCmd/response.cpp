// Tools run through a pipe: their output lines, filtered, as a list or as one
// text, and the process-id list built on the process listing.
#include "../utils/format.h"
#include "MemMgr.h"
#include "SysCmd.h"
#include "runner_private.h"

#include <cstring>
#include <memory>
#include <string>

namespace {

constexpr int kCommandField = 6;
constexpr const char* kFieldDelims = " \t\n";

struct PipeCloser {
    void operator()(FILE* f) const { pclose(f); }
};
using Pipe = std::unique_ptr<FILE, PipeCloser>;

// Opens a pipe from the command line of entry n and the caller's arguments;
// null when the line does not fit (reported on standard error) or the pipe
// cannot be opened. A tool without a directory ends the process.
Pipe OpenResponse(int n, const char* fmt, va_list ap) {
    if (!syscmd::IsEntry(n))
        return nullptr;
    syscmd::LazyLookup(n);
    syscmd::RequireTool(n);
    std::string line;
    if (n > 1) {
        const SysCmdEntry& e = ComList[n];
        line = std::string(e.pPath) + "/" + e.pCommand + " " + e.pFlags + " ";
    }
    AppendFormatV(line, fmt, ap);
    if (line.size() >= static_cast<std::size_t>(SYSCMD_RESPONSE_SIZE)) {
        const syscmd::Outcome refused = syscmd::TooLong(line.size(), SYSCMD_RESPONSE_SIZE);
        std::fprintf(stderr, "%s: %s\n", common_035, refused.text.c_str());
        return nullptr;
    }
    return Pipe(popen(line.c_str(), "r"));
}

// Calls keep(text, length) for every output line (or piece of a line longer
// than the read buffer) that contains filter, in order.
template <typename Keep> void ReadKept(FILE* in, const char* filter, Keep keep) {
    char buf[SYSCMD_RESPONSE_SIZE];
    const bool all = !filter || !*filter;
    while (std::fgets(buf, sizeof buf, in)) {
        if (all || std::strstr(buf, filter))
            keep(buf, std::strlen(buf));
    }
}

} // namespace

ResponseLine* GetCmdResponse(int n, const char* filter, const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    const Pipe in = OpenResponse(n, fmt, ap);
    va_end(ap);
    if (!in)
        return nullptr;
    ResponseLine* head = nullptr;
    ResponseLine** tail = &head;
    ReadKept(in.get(), filter, [&](const char* text, std::size_t len) {
        auto* rec =
            static_cast<ResponseLine*>(GetMem(static_cast<int>(sizeof(ResponseLine) + len)));
        if (!rec)
            return; // the line is dropped
        rec->pNext = nullptr;
        rec->pText = reinterpret_cast<char*>(rec + 1);
        std::memcpy(rec->pText, text, len);
        rec->pText[len] = '\0';
        *tail = rec;
        tail = &rec->pNext;
    });
    return head;
}

char* GetCmdResponseStr(int n, const char* filter, const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    const Pipe in = OpenResponse(n, fmt, ap);
    va_end(ap);
    if (!in)
        return nullptr;
    char* text = nullptr;
    std::size_t total = 0;
    ReadKept(in.get(), filter, [&](const char* line, std::size_t len) {
        const bool addFeed = len == 0 || line[len - 1] != '\n';
        const std::size_t grown = total + len + (addFeed ? 1 : 0);
        auto* bigger = static_cast<char*>(AdjustMem(text, static_cast<int>(grown + 2)));
        if (!bigger)
            return; // the line is dropped, the text so far stays
        text = bigger;
        std::memcpy(text + total, line, len);
        if (addFeed)
            text[total + len] = '\n';
        total = grown;
        text[total] = '\0';
    });
    return text;
}

void FreeResponseList(ResponseLine* head) {
    while (head) {
        ResponseLine* const next = head->pNext;
        PutMem(head);
        head = next;
    }
}

char* GetSysPsIdList(const char* name) {
    if (!name || !*name)
        return nullptr;
    Line[0] = '\0';
    std::size_t used = 0;
    ResponseLine* const head = GetCmdResponse(CMD_PS, name, "%s", "");
    for (const ResponseLine* p = head; p; p = p->pNext) {
        const char* const command = GetTokenN(p->pText, kFieldDelims, kCommandField);
        if (!command || std::strcmp(command, name) != 0)
            continue;
        const char* const pid = GetTokenN(p->pText, kFieldDelims, 1);
        const int len = std::snprintf(Line + used, sizeof Line - used, " %s", pid);
        if (len < 0 || used + static_cast<std::size_t>(len) + 1 >= sizeof Line) {
            Line[used] = '\0'; // no room for this id and the closing blank
            break;
        }
        used += static_cast<std::size_t>(len);
    }
    FreeResponseList(head);
    if (used == 0)
        return nullptr;
    Line[used++] = ' ';
    Line[used] = '\0';
    return SaveStr_(Line);
}
