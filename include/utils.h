// Text and file utilities of the support library: error reports, saved
// strings and string helpers, the shared tokenizer and keyword lists, path
// names, directory listings, file lookup and the current input file.
//
// Results in static buffers (the path functions, LineBuf, GetTokenBuf) stay
// valid until the next call of the same family. Saved strings are pool
// allocations (MemMgr.h) owned by the caller and released with PutMem.
#pragma once

#include <cstdarg>
#include <cstdio>
#include <dirent.h>

#define ZV_PRINTF(fmt_index, first_arg) __attribute__((format(printf, fmt_index, first_arg)))

// ---------------------------------------------------------------------------
// Fixed messages of the library.
extern const char common_007[]; // "ERROR: couldn't open %s\n"
extern const char common_034[]; // "ERROR: unable to locate system command '%s'\n"
extern const char common_035[]; // "ERROR"
extern const char common_036[]; // "WARNING_MSG"
extern const char common_109[]; // "Unable to allocate memory"
extern const char common_113[]; // "ERROR: can't open file, %s"
extern const char common_114[]; // "ERROR: can't open file, %s\n"
extern const char common_115[]; // "can't open file, %s"
extern const char common_116[]; // "ERROR: %s\n"

// ---------------------------------------------------------------------------
// Error reports. Reporting levels: 1 warning, 2 fatal, anything else silent.
inline constexpr int LINE_SIZE = 262143;
extern char* my_name;        // the program's base name, set by the using program
extern char Line[LINE_SIZE]; // the library's large text buffer

[[noreturn]] void SysError(const char* fmt, ...) ZV_PRINTF(1, 2);
void ErrorMsg(int level, int status, const char* fmt, ...) ZV_PRINTF(3, 4);
void errormsg(const char* fmt, ...) ZV_PRINTF(1, 2);
[[noreturn]] void exit_app(int status);

// ---------------------------------------------------------------------------
// Saved strings and string helpers.
char* SaveStr(const char* fmt, ...) ZV_PRINTF(1, 2);
char* SaveStr__(const char* fmt, ...) ZV_PRINTF(1, 2);
char* SaveStr_(const char* s);
char* GetEnv(const char* name);
char* GetHostname();

char* StrStr(const char* s, const char* sub);
char* StrCaseStr(const char* s, const char* sub);
char* StrNStr(const char* s, const char* sub, int n);
char* StrChr(const char* s, int ch);
char* StrNChr(const char* s, char ch, int n);
int StrLen(const char* s);

void SetVarContent(void* dst, const void* src, int n, char reverse);
double MaxD(double a, double b);
float CvtFloatFormat(int from, int to, float value);
char* StripAllBackslashes(char* s);
char* StripNonPrint(char* s, char keepLineEnds);

// ---------------------------------------------------------------------------
// Tokenizer and keyword lists.
inline constexpr int TOKEN_BUF_SIZE = 255;
extern char* szIn;      // scan position of the shared tokenizer
extern char* szTokenIn; // position after the last completed token
extern char chTokenDel; // last delimiter consumed by the latest call, 0 if none
extern char GetTokenBuf[TOKEN_BUF_SIZE];

// Start argument of the shared tokenizers that continues at szIn in line mode:
// a token ending at a line feed is refused.
inline const char* const TOKEN_LINE_MODE = reinterpret_cast<const char*>(-1);

char* Gets(char* buf, int n);
void SetTokenBuf(char* p);
char* GetTokenBufInput();
char* GetToken(const char* in, const char* delims);
char* GetTokenD(const char* in, const char* delims, char** pos, char* out);
char* GetTokenParse(char* in, const char* delims);
int ParseStr(char* s, const char* delims, char** argv, int max);
char* GetTokenN(const char* in, const char* delims, int n);
int GetTokenCount(const char* in, const char* delims);
int FindToken(const char* word, const char* list);
int FindTokenC(const char* word, const char* list);
int FindTokenWithDelim(const char* list, const char* word, char d);
void SortTokens(char* s, char d, char ignoreCase);

// ---------------------------------------------------------------------------
// Path names and file lookup.
inline constexpr int LINE_BUF_SIZE = 4096;
inline constexpr int INPUT_FILE_NAME_SIZE = 256;

// File type codes of GetFileType.
inline constexpr int FILETYPE_NONE = 0;
inline constexpr int FILETYPE_DIR = 1;
inline constexpr int FILETYPE_LINK = 2;
inline constexpr int FILETYPE_OTHER = 3;

extern FILE* pIn;      // the current input file, null when none is open
extern int FileStatus; // 0 open, 1 closed or read to its end, 2 failed open
extern char InputFileName[INPUT_FILE_NAME_SIZE];
extern char LineBuf[LINE_BUF_SIZE];
extern int LineLen;
extern int SavedFileSize;

char* StripExt(const char* name);
char* StripPath(const char* path);
char* StripPathExt(const char* path);
char* StripFn(const char* path);
char* StripPathName(const char* path);
char* SkipSpace(char* s);

FILE* OpenFile(FILE* fp, const char* path, const char* mode, int level);
FILE* OpenFileF(FILE* fp, const char* mode, int level, const char* fmt, ...) ZV_PRINTF(4, 5);
int OpenRawFile(const char* path, int flags);

long GetFileSize(const char* path);
long GetFileTime(const char* path);
int GetFileType(const char* path);

char* ReadDir(DIR* dir, void* entry);
char* GetDirFileList(const char* path);
char* SearchDirFileList(const char* path, const char* ext);

int FindFile_(const char* dir, const char* name);
int FindFile(const char* dir, const char* name);

char* FileSearch(const char* path, const char* text, int level);
char* fgetsp(char* buf, int n, FILE* stream, long pos);

int OpenInputFile(const char* path, int level);
int OpenInputFileF(int level, const char* fmt, ...) ZV_PRINTF(2, 3);
void CloseInputFile();
int GetFileLine();
int GetFileTextLine(const char* delims);

int GetFileContent(const char* path, const char* name);
char* GetSavedFileContent(const char* path, const char* name);
int GetFileContentR(const char* path, const char* name, char* buf, int size);

char* FindExistingPath(const char* path, int* exact);
char* GetToolPath(const char* argv0);

// ---------------------------------------------------------------------------
// File creation and removal, through the command runner (SysCmd.h).
int CreateTextFile(const char* path, const char* mode, int perm, const char* fmt, ...)
    ZV_PRINTF(4, 5);
void CreateFile(const char* dir, const char* name, const char* mode, const char* owner,
                const char* group);
void DeleteFile(const char* dir, const char* name);
void DeleteFile_(const char* dir, const char* name);
void RenameFile(const char* dir, const char* oldName, const char* newName);
// Runs a whole command line (at most 511 bytes) with system(), echoed at level
// 1 and 2, then pauses a second. A failure at level 1 or 2 writes
// "<prefix>: <text>\n" on standard error, the prefix being "ERROR" at level 1
// and common_034 (filled with the line's first word, without its line feed) at
// level 2, where the process then ends with status 1. Returns the codes of
// SysCmd; <text> is one of SysCmd's failure texts.
int SysCmdP(int level, const char* fmt, ...) ZV_PRINTF(2, 3);

// ---------------------------------------------------------------------------
// In-place file editing. An edited file is written line by line into a work
// file next to it, which then replaces it in one step (rename): the edited
// file is either the old one or the complete new one. When reading, writing
// or the replacement fails, a line "ERROR: ..." on standard error says so and
// the edited file keeps its old content.
//
// File names live in buffers of EDIT_NAME_SIZE characters. A name that does
// not fit is refused like a file that cannot be opened: the process ends
// through SysError with common_115 (errno ENAMETOOLONG), naming the file as
// far as it fits.
inline constexpr int EDIT_NAME_SIZE = 128;
inline constexpr int EDIT_LINE_SIZE = 512; // lines are read in pieces of at most 510 characters
inline constexpr int GEN_NAME_SIZE = 255;

extern char* pLine;                // set to Line by every GetLine
extern int LineCnt;                // physical lines read by the latest GetLine, 0 at the end
extern long InPos;                 // where the last physical line read by GetLine begins
extern char flInputFilterState;    // 1: GetLine drops comments, leading blanks, line ends
extern FILE* pOut;                 // the current output stream
extern char Fn[EDIT_NAME_SIZE];    // the file being rewritten through OpenIOFiles
extern char FnOut[EDIT_NAME_SIZE]; // its work file, Fn followed by "out"

// Reads the next line of pIn into Line (its first 512 bytes); returns the
// physical lines read (1, or 2 when a comment opened on the first), 0 at the
// end of the file or without an input file.
int GetLine();
int GetLinePos(long pos); // GetLine from byte pos of pIn
int GetLineN(int n);      // GetLine n times; the last result, 0 for n <= 0

// A CamelCase name made of the words of text ("system default printer" gives
// "SystemDefaultPrinter"), in a static buffer; cut to GEN_NAME_SIZE - 1
// characters when longer.
char* GenName(const char* text);

// Opens "path.ext" (path when ext is empty) as pIn and its work file as pOut;
// the process ends when either cannot be opened. The third argument has no
// effect.
void OpenIOFiles(const char* path, const char* ext, const char* unused = nullptr);
// Closes pIn and pOut and moves the work file over the file. Returns 1 when
// the file was replaced, 0 when not (reported on standard error, unless no
// file was opened).
int ReplaceInputFile();

// One-call editors of "path.ext" (path itself when ext is empty), through the
// work file "path.extout" ("path.out"). A file that cannot be opened ends the
// process.
void FileChange(const char* path, const char* ext, const char* find, const char* replace);
void FileChangeChar(const char* path, const char* ext, const char* code, const char* codes);
void FileDel(const char* path, const char* ext, int skip, const char* text);
// By format[0]: NUL removes the first occurrence of text, 'a' cuts the line
// behind it, 'b' drops what precedes it, 'c' removes every character whose
// code text gives ("%i"), 'l' drops the lines holding text. Returns 0 when
// done; 1 for any other letter once a line was read (the file is not
// replaced, the begun work file remains); 2 when the file could not be
// replaced.
int FileDelFormat(const char* path, const char* ext, const char* format, const char* text);
// Writes text in front of every line (FileInsert) or of every line holding
// key. In text, "%s" and digits N start the line counter at N (the marker is
// not written); "%#" and digits K are replaced by the counter minus K in five
// digits ("%05i"), and lines whose counter is below K get no text. The
// caller's text is left as it is.
void FileInsert(const char* path, const char* ext, const char* text);
void FileSearchInsert(const char* path, const char* ext, const char* text, const char* key);
void FileDelLine(const char* path, const char* ext, int skip, const char* text);
void FileDelLinePair(const char* path, const char* ext, int skip, const char* start,
                     const char* end);
