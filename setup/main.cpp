// setup: the installer of the print package.
#include "MemMgr.h"
#include "utils.h"

#include <cstdio>
#include <cstdlib>

namespace {

constexpr const char* kVersion = "3.01.67";
constexpr const char* kOptions = ",install,-v";

[[noreturn]] void ShowVersion() {
    std::fprintf(stderr, "%s %s\n", my_name, kVersion);
    std::exit(0);
}

} // namespace

int main(int argc, char** argv) {
    my_name = SaveStr_(StripPath(argv[0]));
    for (int i = 1; i < argc; ++i)
        if (FindToken(argv[i], kOptions) == 2)
            ShowVersion();
    return 0;
}
