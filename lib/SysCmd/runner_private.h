// Shared steps of the command runner, the pipe readers and the file
// operations: the lazy lookup, the missing-tool end, the judgement of a
// finished command and the report of a failure in a mode.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <string>

namespace syscmd {

// True for an entry number of the table (0 to 81).
bool IsEntry(int n);

// Looks up the tool of entry n while tools are looked up on use.
void LazyLookup(int n);

// Ends the process with status 0 after common_034 on standard error when
// entry n (> 1) has no directory.
void RequireTool(int n);

// What a finished command did: code 0 and an empty text on success,
// otherwise the code returned by SysCmd and the text of its failure lines.
struct Outcome {
    int code = 0;
    std::string text;
};

// Judges the value returned by system(); errno is read when it is -1.
Outcome JudgeStatus(int status);

// The failure of a command line of `length` bytes that does not fit in a
// buffer of `size` bytes.
Outcome TooLong(std::size_t length, std::size_t size);

// Reports a failure as a mode says: mode 1 logs "WARNING_MSG: text", mode 2
// logs "ERROR: text", writes it on standard output and ends the process with
// status 1; other modes report nothing.
void ReportFailure(int mode, const Outcome& failure);

// Makes sure that a regular file of this process stands at the log's name, so
// that the shell redirections of a logged command append to it.
void PrepareLog();

} // namespace syscmd
