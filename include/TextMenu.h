// The text-terminal menu framework.
#pragma once

// The framework's exit flag: 0 at load. While it is set, every running menu
// returns to its caller (the installer sets it when the user may not install).
extern char flExitTextMenu;
