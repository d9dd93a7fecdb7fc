// The installer: its globals and its steps.
#pragma once

// ---------------------------------------------------------------------------
// Built-in message tables: six parallel tables of 71 texts, one per
// language, chosen from LANG at the first call of nlsSetupStrCvt.
inline constexpr int NLS_SETUP_TEXTS = 71;
extern const char* const NLS_ENGLISH[NLS_SETUP_TEXTS];
extern const char* const NLS_SPANISH[NLS_SETUP_TEXTS];
extern const char* const NLS_ITALIAN[NLS_SETUP_TEXTS];
extern const char* const NLS_FRENCH[NLS_SETUP_TEXTS];
extern const char* const NLS_GERMAN[NLS_SETUP_TEXTS];
extern const char* const NLS_PORTUGUESE[NLS_SETUP_TEXTS];

// Entry n (0..70) of the selected table; the text belongs to the table.
const char* nlsSetupStrCvt(int n);

// ---------------------------------------------------------------------------
// Globals of the installer. Every string is a saved string or a constant and
// lives for the whole run.
extern char* pZorvoInstallDir;   // the work area
extern char* pPathToSetup;       // the install site: the directory of the program
extern char* pCmdLineInstallDir; // target directory from the command line, or null
extern char* pCurrentInstallDir; // target directory of a previous installation, or null
extern char* pTargetInstallDir;  // the target directory used
extern char* pAppDir;            // target/Zorvo/qvxx
extern char flCreatedTmpDir;     // 1: the program made the directory of the work area
extern const char* const pBinaryInstanceCheckList;
extern const char* InstallInfo[6];
extern const char* InstallSiteInfo[5];

inline constexpr const char* SETUP_VERSION = "3.01.67";
inline constexpr const char* SETUP_MAKER = "Zorvo";
inline constexpr const char* SETUP_PRODUCT = "qvxx";

// Start-up and command line.
void parseCommandLineOptions(int argc, char** argv);
char* locatePreviousInstallation();
char* StripToBaseName(char* path);
// main's start-up up to the application directory.
void SetupStartUp(int argc, char** argv);

// ---------------------------------------------------------------------------
// Free-space check: returns when there is room; otherwise says where and
// how much and ends the process with status 0.
void FreeSpaceForInstall(const char* work, const char* target, const char* maker);

// ---------------------------------------------------------------------------
// Running programs of the package and the clean-up.
// 0 when none of the listed programs runs (any longer), 1 when the user quits.
int QuitForRunningProcesses(const char* list);
void ZorvoClean(const char* work);
