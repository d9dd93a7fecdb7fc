// The library's fixed message texts.
#include "utils.h"

const char common_007[] = "ERROR: couldn't open %s\n";
const char common_034[] = "ERROR: unable to locate system command '%s'\n";
const char common_035[] = "ERROR";
const char common_036[] = "WARNING_MSG";
const char common_109[] = "Unable to allocate memory";
const char common_113[] = "ERROR: can't open file, %s";
const char common_114[] = "ERROR: can't open file, %s\n";
const char common_115[] = "can't open file, %s";
const char common_116[] = "ERROR: %s\n";
