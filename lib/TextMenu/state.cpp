// Global state of the menu framework.
#include "TextMenu.h"

char flExitTextMenu = 0;
