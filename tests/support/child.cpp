#include "child.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

std::string ReadFd(int fd) {
    std::string text;
    lseek(fd, 0, SEEK_SET);
    char buf[4096];
    ssize_t n;
    while ((n = read(fd, buf, sizeof buf)) > 0)
        text.append(buf, static_cast<size_t>(n));
    close(fd);
    return text;
}

int MemFile(const char* name) {
    const int fd = memfd_create(name, 0);
    if (fd < 0)
        throw std::runtime_error("memfd_create failed");
    return fd;
}

} // namespace

ChildResult RunInChild(const std::function<void()>& fn, std::string_view input) {
    const int in = MemFile("stdin");
    const int out = MemFile("stdout");
    const int err = MemFile("stderr");
    if (write(in, input.data(), input.size()) != static_cast<ssize_t>(input.size()))
        throw std::runtime_error("cannot fill the child's input");
    lseek(in, 0, SEEK_SET);
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid < 0)
        throw std::runtime_error("fork failed");
    if (pid == 0) {
        dup2(in, 0);
        dup2(out, 1);
        dup2(err, 2);
        std::clearerr(stdin);
        fn();
        std::fflush(nullptr);
        _exit(0);
    }
    close(in);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    ChildResult r;
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    r.out = ReadFd(out);
    r.err = ReadFd(err);
    return r;
}

ScratchDir::ScratchDir() {
    const std::string root = BinaryDir() + "/test-scratch";
    std::filesystem::create_directories(root);
    std::string templ = root + "/XXXXXX";
    if (!mkdtemp(templ.data()))
        throw std::runtime_error("mkdtemp failed");
    path_ = std::filesystem::canonical(templ).string();
}

ScratchDir::~ScratchDir() {
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
}

std::string ScratchDir::operator/(std::string_view name) const {
    return path_ + "/" + std::string(name);
}

std::string ScratchDir::Write(std::string_view name, std::string_view content) const {
    const std::string p = *this / name;
    std::filesystem::create_directories(std::filesystem::path(p).parent_path());
    std::ofstream f(p, std::ios::binary);
    f << content;
    return p;
}

std::string ReadFileText(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

pid_t StartNamedSleep(const std::string& path, const std::string& seconds) {
    const std::filesystem::path file(path);
    std::filesystem::create_directories(file.parent_path());
    // A copy that runs already cannot be written over; it is the same file.
    if (!std::filesystem::exists(file))
        std::filesystem::copy_file("/usr/bin/sleep", file);
    const std::string name = file.filename().string();
    const pid_t pid = fork();
    if (pid < 0)
        throw std::runtime_error("fork failed");
    if (pid == 0) {
        execl(path.c_str(), name.c_str(), seconds.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    // The process table shows the new name once exec is done.
    const std::string comm = "/proc/" + std::to_string(pid) + "/comm";
    for (int i = 0; i < 5000 && ReadFileText(comm) != name + "\n"; ++i)
        usleep(1000);
    return pid;
}
