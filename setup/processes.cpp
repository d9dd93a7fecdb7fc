// Running programs of the package, and the clean-up at the end of a run.
#include "MemMgr.h"
#include "SysCmd.h"
#include "setup.h"
#include "utils.h"

#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <unistd.h>

namespace {

constexpr int kWaitStep = 5;  // seconds between two looks at the process table
constexpr int kWaitSteps = 6; // a wait lasts at most 30 seconds

// Whether any listed program runs; the report is released.
bool AnyRunning(const char* list) {
    char* report = CheckProcTableForExecs(list);
    if (!report)
        return false;
    PutMem(report);
    return true;
}

} // namespace

int QuitForRunningProcesses(const char* list) {
    const char* texts[5] = {};
    for (;;) {
        char* report = CheckProcTableForExecs(list);
        if (!report)
            return 0;
        if (!texts[0])
            for (int i = 0; i < 5; ++i)
                texts[i] = nlsSetupStrCvt(66 + i);
        std::printf("%s", texts[0]);
        std::printf("%s\n", report);
        PutMem(report);
        for (int i = 1; i < 5; ++i)
            std::printf("%s", texts[i]);
        std::fflush(stdout);

        const int answer = std::getchar();
        if (answer == EOF)
            return 1; // no answer can come any more: quit
        if (answer != '\n')
            std::getchar(); // the line feed of the answer
        if (answer == '2')
            return 1;
        if (answer == '1') {
            for (int step = 0; step < kWaitSteps; ++step) {
                sleep(kWaitStep);
                if (!AnyRunning(list))
                    return 0;
            }
        }
    }
}

void ZorvoClean(const char* work) {
    if (chdir("/") != 0)
        std::perror("/");
    SysCmd(CMD_RM_TREE, SYSCMD_WARN, " %s", work);
    for (const char* action : {"-upgrade", "-clean"}) {
        char* command = SaveStr("%s/qvqadmin %s", pAppDir, action);
        if (std::system(command) == -1)
            std::perror("qvqadmin");
        PutMem(command);
        std::printf(".");
    }
    std::printf("\n");
    std::fflush(stdout);
}
