// The texts of the generated scripts, byte by byte: the banner's frame, the
// launcher, where the fills of the queue templates land, which lines are
// indented with blanks rather than tabs, and that the filled scripts are
// valid shell.
#include "child.h"
#include "setup.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

template <typename... A> std::string Fill(const char* fmt, A... args) {
    const int n = std::snprintf(nullptr, 0, fmt, args...);
    std::string text(static_cast<std::size_t>(n), '\0');
    std::snprintf(text.data(), text.size() + 1, fmt, args...);
    return text;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// The conversions of a printf format, in order ("%%" left out).
std::string Conversions(const char* fmt) {
    std::string found;
    for (const char* p = fmt; *p; ++p)
        if (*p == '%') {
            if (p[1] != '%')
                found += std::string("%") + p[1];
            ++p;
        }
    return found;
}

// The lines that begin with a blank.
std::set<std::string> BlankIndented(const char* text) {
    std::set<std::string> lines;
    for (const std::string& line : Lines(text))
        if (!line.empty() && line[0] == ' ')
            lines.insert(line);
    return lines;
}

bool Contains(const std::vector<std::string>& lines, const std::string& line) {
    for (const std::string& l : lines)
        if (l == line)
            return true;
    return false;
}

TEST(Templates, ShellLine) {
    EXPECT_STREQ(ScriptShShell, "#!/bin/sh");
}

TEST(Templates, BannerIsFiveFramedLinesOf63AndAnEmptyLine) {
    EXPECT_EQ(Conversions(ScriptCopyRight), "%d");
    const std::string banner = Fill(ScriptCopyRight, 2004);
    ASSERT_GE(banner.size(), 2u);
    EXPECT_EQ(banner.substr(banner.size() - 2), "\n\n");
    const std::vector<std::string> lines = Lines(banner);
    ASSERT_EQ(lines.size(), 6u);
    const std::string full(63, '#');
    const std::string empty = "##" + std::string(59, ' ') + "##";
    EXPECT_EQ(lines[0], full);
    EXPECT_EQ(lines[1], empty);
    EXPECT_EQ(lines[2].size(), 63u);
    EXPECT_EQ(lines[2].substr(0, 3), "## ");
    EXPECT_EQ(lines[2].substr(60), " ##");
    EXPECT_NE(lines[2].find(" 2004 "), std::string::npos);
    EXPECT_EQ(lines[3], empty);
    EXPECT_EQ(lines[4], full);
    EXPECT_EQ(lines[5], "");
}

TEST(Templates, LauncherBeginsWithAnEmptyLineAndExecsTheProgram) {
    EXPECT_EQ(Fill(SimpleScript, "/opt/Zorvo/qvxx", "/opt/Zorvo/qvxx", "bin/qvtool"),
              "\n"
              "OmbrinFileSourceDir=`pwd`\n"
              "export OmbrinFileSourceDir\n"
              "\n"
              "cd /opt/Zorvo/qvxx\n"
              "exec /opt/Zorvo/qvxx/bin/qvtool $*\n");
}

TEST(Templates, QueueScriptsTakeTheirFillsInOrderAndEndInEsac) {
    EXPECT_EQ(Conversions(ZorvoPrintqvxxScript), "%s%s%s%s%s%s");
    EXPECT_EQ(Conversions(ZorvoQVSFScript), "%s%s");

    const std::string print = Fill(ZorvoPrintqvxxScript, "F1", "F2", "F3", "F4", "F5", "F6");
    const std::vector<std::string> p = Lines(print);
    ASSERT_FALSE(p.empty());
    EXPECT_EQ(p[0], "ToolPath=\"F1\"");
    EXPECT_EQ(p[1], "CfgFlags=`cat ${ToolPath}/.qv_cfg`");
    EXPECT_TRUE(Contains(p, "\t${ToolPath}/qvrF2tty -d$OmbrinPrinter -f >F3.log 2>F4.log"));
    EXPECT_TRUE(Contains(p, "\t${ToolPath}/qvrF5tty -d$OmbrinPrinter -i $*"));
    EXPECT_TRUE(Contains(p, "\t${ToolPath}/qvrF6tty -d$OmbrinPrinter -i $*"));
    // The V5 branch comes before the CUPS branch.
    EXPECT_LT(print.find("qvrF5tty"), print.find("CUPS)##"));
    EXPECT_GT(print.find("qvrF6tty"), print.find("CUPS)##"));
    EXPECT_EQ(print.substr(print.size() - 5), "\nesac");

    const std::string filter = Fill(ZorvoQVSFScript, "F1", "F2");
    const std::vector<std::string> f = Lines(filter);
    ASSERT_GE(f.size(), 3u);
    EXPECT_EQ(f[0], "ToolPath=\"F1\"");
    EXPECT_EQ(f[2], "SpoolDir=\"F2\"");
    EXPECT_EQ(filter.substr(filter.size() - 5), "\nesac");
}

// Every other indented line begins with a tab.
TEST(Templates, OnlyTheseLinesAreIndentedWithBlanks) {
    EXPECT_EQ(BlankIndented(ZorvoPrintqvxxScript),
              (std::set<std::string>{
                  "    case $flag in",
                  "    esac",
                  "    AIX) ## The name says it all... native lpd subsystems",
                  "    BSD) ## SunOS, DEC-UX, and native Linux lpd subsystems",
                  "    LPRng) ## A BSD subsytem with additional quirks",
                  "                    export OmbrinJob_title",
                  "    V5)\t## Solaris, HP-UX, SGI, and SCO native lpd subsystems",
                  "    CUPS)## Common Unix Printing System support",
              }));
    EXPECT_EQ(BlankIndented(ZorvoQVSFScript),
              (std::set<std::string>{
                  "    case $flag in",
                  "    esac",
                  "    AIX) # The name says it all... native lpd subsystems",
                  "    BSD) # SunOS, DEC-UX, and native Linux lpd subsystems",
                  "    LPRng) # A BSD subsytem with additional quirks",
                  "    V5) # Solaris, HP-UX, SGI, and SCO native lpd subsystems",
                  "    CUPS) # Common Unix Printing System",
              }));
    EXPECT_TRUE(BlankIndented(SimpleScript).empty());
    for (const char* text : {SimpleScript, ZorvoPrintqvxxScript, ZorvoQVSFScript})
        for (const std::string& line : Lines(text))
            EXPECT_TRUE(line.empty() || (line.back() != ' ' && line.back() != '\t')) << line;
}

TEST(Templates, FilledScriptsAreValidShell) {
    const ScratchDir dir;
    const std::string banner = Fill(ScriptCopyRight, 2004);
    const std::string head = std::string(ScriptShShell) + "\n" + banner;
    const std::vector<std::string> scripts = {
        dir.Write("print", head + Fill(ZorvoPrintqvxxScript, "/opt/Zorvo/qvxx", "qvxx",
                                       "ombrinqvxx", "ombrinqvxx", "qvxx", "qvxx")),
        dir.Write("filter",
                  head + Fill(ZorvoQVSFScript, "/opt/Zorvo/qvxx", "/var/spool/Zorvo/qvxx")),
        dir.Write("launcher",
                  head + Fill(SimpleScript, "/opt/Zorvo/qvxx", "/opt/Zorvo/qvxx", "bin/qvtool")),
    };
    for (const std::string& script : scripts) {
        const std::string command = "/bin/sh -n '" + script + "' 2>&1";
        EXPECT_EQ(std::system(command.c_str()), 0) << script;
    }
}

} // namespace
