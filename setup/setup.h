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

// ---------------------------------------------------------------------------
// Readiness, print-subsystem detection and generated scripts.
extern const char ScriptShShell[];        // "#!/bin/sh"
extern const char ScriptCopyRight[];      // the banner; one %d for the year
extern const char SimpleScript[];         // the launcher template: three %s
extern const char ZorvoPrintqvxxScript[]; // the print queue template: six %s
extern const char ZorvoQVSFScript[];      // the spool filter queue template: two %s

// 1 when the installation may go on, 0 when the user is not root (text 35 is
// shown and flExitTextMenu set). When the application directory holds
// OmbrinD or OmbrinDStop, an older print daemon of the package is installed:
// text 62 is shown and text 63 asks whether to go on, until the first word
// of the answer line is one of "y", "yes", "n" or "no", in small letters
// (blanks and tabs before it are skipped; of a line longer than 511
// characters the rest is passed over). Any other answer, or none, asks
// text 63 again. "y" and "yes" go on. "n" and "no" end the installer at once
// with status 0, before anything is installed or removed; so does the end of
// standard input, after a line feed.
int readyForInstallation();
void createInstallationDirectories(const char* target);
void createPrintingSubsystemFile(const char* appDir);
void createQueueScripts(const char* spool);
int generateZorvoPrintqvxxScript(const char* path, const char* shell, const char* tmpl);
int generateZorvoQVSFScript(const char* path, const char* shell, const char* tmpl,
                            const char* spoolQueueDir);
void GenSimpleScript(const char* path, const char* shell, const char* tmpl, const char* a,
                     const char* b, const char* c);

// ---------------------------------------------------------------------------
// The package list: 0 when carried out to its end, 1 when a checkps line
// ended it because the user chose to quit.
int ProcessPkgList(const char* pkg);

// ---------------------------------------------------------------------------
// The install site, the disks file and the archive.
inline constexpr const char* SETUP_ARCHIVE = "LinuxppcQvxx";
inline constexpr const char* SETUP_SPOOL_DIR = "/var/spool/Zorvo";
int installFromSite(const char* work);
void GetDisksData(const char* dir);
void genZFile();
int Install();

// ---------------------------------------------------------------------------
// The installation run after the start-up (main's steps 11 to 15), the move
// of a previous installation to a new target, and the path check.
[[noreturn]] void RunInstallation();
void MovePreviousInstallation();

// ---------------------------------------------------------------------------
// Solaris package upgrade; returns 1.
int upgradeSolarisPackage(const char* pkgName, const char* pkgDir);
