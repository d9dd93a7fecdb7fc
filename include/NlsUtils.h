// The message catalogue: the library's menu, prompt and help texts, kept in
// typed record stores (Dbm.h) per language under {pToolPath}/db/{language}/.
//
// A message is found by its key, "set_number" (25_1003 is message 1003 of
// set 25), or by any key text. Sets: 25 menu framework, 30 entry validation
// and help title, 20 help menu, 999 the translation table (message 1). A
// missing message never stops the program: the caller gets the key text, or
// the shared text "Error" when there is no key or no store.
//
// The language is chosen once per run from LANG and the translation table
// "trans.conf" of the tool directory (or message 999/1 of the English core
// store when that file is missing); see GetDesiredNLSLang.
//
// Texts returned are saved strings (MemMgr.h) owned by the caller, except
// where stated: the shared "Error" text (releasing it does nothing), the
// caller's own key text or buffer, and the static results of NlsCalcStrVal
// and CheckForRedirect.
//
// The catalogue keeps the messages fetched by set and number per store
// handle, for as long as the handle holds the same image: a store that
// reloads (opened without DBT_KEEPIMAGE) still looks at its file before every
// fetch, and any change of the image is seen. The catalogue clears the
// handle's flChanged when it starts keeping the messages of an image.
#pragma once

#include "Dbm.h"
#include "utils.h"

#include <cstdio>

// The tool directory under which "db" and "trans.conf" lie; set by the using
// program (defined by the record store). While it is null the current
// directory stands for it.
extern char* pToolPath;
// The core message store: the menu framework's and the help menu's texts.
extern DbTHandle* pDrvCoreDB;
// The help store in which redirections are looked up.
extern DbTHandle* pPrtHelpDB;
// The chosen language code, fixed by the first GetDesiredNLSLang.
extern char* pNLSLang;

inline constexpr int NLS_BUF_SIZE = 65535;
// Shared buffer into which callers format messages with Nlssprintf.
extern char NlsBuf[NLS_BUF_SIZE];

// The scratch of one fetched record: a caller's buffer of NlsFetchString
// (and the text of CheckForRedirect) receives at most this many bytes, a
// longer message cut to NLS_FETCH_SIZE - 1 characters.
inline constexpr int NLS_FETCH_SIZE = 2048;
// Targets of redirections are shorter than this.
inline constexpr int NLS_REDIRECT_SIZE = 64;
// The normalised translation table holds at most NLS_TABLE_SIZE - 1
// characters: the whole lines that fit.
inline constexpr int NLS_TABLE_SIZE = 8192;
// Messages that NlsGuiStrCvt inserts are cut to NLS_CVT_SCRATCH_SIZE - 1
// characters.
inline constexpr int NLS_CVT_SCRATCH_SIZE = 1024;

// ---------------------------------------------------------------------------
// Fetching.

// The message text. Modes 0 and 3 take two ints (set, number; set 0 gives no
// key), modes 1 and 2 a key text, other modes nothing (no key). Without a
// key, or with a null store and a key that is not a numbered one with a
// non-zero set and number: the shared "Error". A missing message: the key
// text (copied into buffer when given), a saved string for a numbered key, the
// caller's key text otherwise. A found one: buffer filled and returned, or a
// saved copy without buffer. Mode 3 ignores buffer and always returns a saved
// text of any size.
char* NlsFetchString(DbTHandle* store, char* buffer, int mode, ...);
// Writes message set/number formatted with the arguments to stream; "Error"
// when the message is missing.
void Nlsfprintf(FILE* stream, DbTHandle* store, int set, int number, ...);
// Formats message set/number with the arguments into buffer (at most
// NLS_BUF_SIZE bytes, cut beyond); "Error" when the message is missing.
void Nlssprintf(char* buffer, DbTHandle* store, int set, int number, ...);
// src with its k-th "%s" replaced by message set/k, in dest of destSize bytes
// (cut to destSize - 1 characters when longer); returns dest.
char* NlsGuiStrCvt(const char* src, int set, char* dest, int destSize);
// "%08X%08X" of Q = sum of c(i) * i * i and S = sum of c(i) over the bytes of
// text (from 1, 32-bit wrapping), in a static buffer that the next call
// overwrites. A null text counts as empty.
char* NlsCalcStrVal(const char* text);

// ---------------------------------------------------------------------------
// Language and stores.

// The language code (pNLSLang), chosen on the first call: LANG (up to its
// first ".") looked up among the aliases of the translation table, the
// table's Default when no alias line lists it, en_US without a Default or
// without a table.
char* GetDesiredNLSLang();
// The normalised table of the file name in the tool directory, a saved
// string; null when the file cannot be read.
char* ParseTransFile(const char* name);
// Opens {tool}/db/{language}/{name}.xdb with DbTOpen. A missing English store
// is reported ("ERROR:  Could not open English database:  %s\n" on standard
// error) and gives null; for other languages an empty handle.
DbTHandle* NlsOpenDB(const char* name, int mode);

// ---------------------------------------------------------------------------
// Redirections: "$$target.redirect" in a help text names the help record to
// show instead.

// The target of a redirection in text (text is cut in place at the '.' after
// the target), or null.
char* FindRedirect(char* text);
// Overwrites text with the target's help text from pPrtHelpDB (or with the
// target name when the store lacks it; at most NLS_FETCH_SIZE bytes) and
// returns the target in a static buffer; without a help store text stays as
// FindRedirect left it. Null, text unchanged, when text holds no redirection
// or its target has NLS_REDIRECT_SIZE characters or more.
char* CheckForRedirect(char* text);
