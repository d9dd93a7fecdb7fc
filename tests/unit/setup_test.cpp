// The installer's command line, as far as it needs no install site.
#include "child.h"

#include <gtest/gtest.h>

#include <string>
#include <unistd.h>
#include <vector>

namespace {

ChildResult RunSetup(std::vector<std::string> args) {
    const std::string program = BinaryDir() + "/bin/setup";
    return RunInChild([&] {
        std::vector<char*> argv{const_cast<char*>(program.c_str())};
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    });
}

TEST(SetupCommandLine, VersionOnStandardError) {
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"-v"}, {"install", "/opt/Zorvo/qvxx/", "-v"}, {"-v", "install"}}) {
        const ChildResult r = RunSetup(args);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, "setup 3.01.67\n");
    }
}

TEST(SetupCommandLine, OptionWordsAreCaseSensitive) {
    const ChildResult r = RunSetup({"install", "-V"});
    EXPECT_EQ(r.err, "") << "-V is no option";
}

} // namespace
