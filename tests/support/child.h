// Helpers of the test programs: running code in a child process with its
// output captured, and scratch directories inside the build tree (the tests
// never write /tmp of the host).
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <sys/types.h>

struct ChildResult {
    int status = -1; // exit status, or 128 + signal number
    std::string out; // what the child wrote on standard output
    std::string err; // what the child wrote on standard error
};

// Runs fn in a forked child whose standard input holds `input` and whose
// standard output and error are captured. A child that returns from fn ends
// with status 0.
ChildResult RunInChild(const std::function<void()>& fn, std::string_view input = {});

// A fresh directory below the build tree, removed with its contents at the end
// of its scope.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::string& path() const { return path_; }
    // path() + "/" + name
    std::string operator/(std::string_view name) const;
    // Writes a file below the directory and returns its path.
    std::string Write(std::string_view name, std::string_view content) const;

private:
    std::string path_;
};

std::string ReadFileText(const std::string& path);

// Starts a copy of sleep at path (made, with its directory, when missing), running
// for the given seconds under the last name of path, and returns its process
// id once the process table shows it under that name (at most 5 seconds).
// For tests inside the sandbox, where processes may take any name.
pid_t StartNamedSleep(const std::string& path, const std::string& seconds);

// The project's source and build trees.
inline std::string SourceDir() {
    return ZORVO_SOURCE_DIR;
}
inline std::string BinaryDir() {
    return ZORVO_BINARY_DIR;
}
