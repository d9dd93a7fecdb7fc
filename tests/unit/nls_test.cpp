// The message catalogue: language choice, stores, fetches in every mode,
// printing and formatting, "%s" conversion, check values and redirections.
// Every case runs in a child process (the language is chosen once per
// process) whose tool directory and current directory is a scratch directory.
#include "MemMgr.h"
#include "NlsUtils.h"
#include "child.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

using Records = std::vector<std::pair<std::string, std::string>>;

// A typed store file: the header, then for each record its big-endian record
// and key lengths and the chain-coded key (with its NUL) and data. Texts get
// their NUL as the catalogue's records do.
std::string TypedStore(const Records& records) {
    std::string image = "TXDBAA" + std::to_string(records.size());
    image += '\0';
    image.resize(DBT_HEADER_SIZE, 'x');
    const auto code = [&image](std::string run) {
        for (std::size_t i = 0; i + 1 < run.size(); ++i)
            run[i] = static_cast<char>(run[i] ^ run[i + 1]);
        image += run;
    };
    const auto be16 = [&image](std::size_t v) {
        image += static_cast<char>((v >> 8) & 0xff);
        image += static_cast<char>(v & 0xff);
    };
    for (const auto& [key, text] : records) {
        const std::string k = key + '\0';
        const std::string d = text + '\0';
        be16(2 + k.size() + d.size());
        be16(k.size());
        code(k);
        code(d);
    }
    return image;
}

std::string toolPath; // the child's tool directory

// Runs fn in a child whose tool directory and current directory is dir.
ChildResult InCatalogue(const ScratchDir& dir, const std::function<void()>& fn,
                        const char* lang = nullptr) {
    return RunInChild([&] {
        if (chdir(dir.path().c_str()) != 0)
            _exit(90);
        if (lang)
            setenv("LANG", lang, 1);
        else
            unsetenv("LANG");
        toolPath = dir.path();
        pToolPath = toolPath.data();
        fn();
    });
}

void WriteStore(const ScratchDir& dir, const std::string& lang, const std::string& name,
                const Records& records) {
    std::filesystem::create_directories(dir / ("db/" + lang));
    dir.Write("db/" + lang + "/" + name + ".xdb", TypedStore(records));
}

DbTHandle* OpenCore() {
    return NlsOpenDB("CoreString", 0);
}

std::string Show(const char* s) {
    return s ? "[" + std::string(s) + "]" : "null";
}

const char kExampleTable[] = "Default en_US\nfr_FR = fr fr_FR fr_CA french\n";

// ---------------------------------------------------------------------------
// Language choice.

struct LangCase {
    const char* table; // trans.conf, null for none
    const char* lang;  // LANG, null when unset
    const char* chosen;
};

TEST(NlsLanguage, ChosenFromLangAndTheTranslationFile) {
    const LangCase cases[] = {
        {kExampleTable, nullptr, "en_US"},
        {kExampleTable, "fr_CA.ISO8859-1", "fr_FR"},
        {kExampleTable, "fr", "fr_FR"},
        {kExampleTable, "french", "fr_FR"},
        {kExampleTable, "fr_FR", "fr_FR"},
        {kExampleTable, "de_DE", "en_US"},
        {kExampleTable, "", "en_US"},
        {"fr_FR = fr\n", nullptr, "en_US"},
        {"fr_FR = fr\n", "de", "en_US"},
        // The matching line first, without a line before it.
        {"fr_FR = fr\nDefault de_DE\n", "fr", "fr_FR"},
        {"fr_FR = fr\nDefault de_DE\n", "it", "de_DE"},
        {"Default it_IT fr_FR = fr\n", "fr", "fr_FR"},
        {"Default it_IT fr_FR = fr\n", "es", "it_IT"},
        {"# languages\nDefault en_US # English\nde_DE = de german\n", "german", "de_DE"},
        // A line ends at its line feed also behind blanks, a comment or a
        // carriage return, so that a language never comes from the line
        // before.
        {"fr_FR = fr # French\nde_DE = de\n", "de", "de_DE"},
        {"fr_FR = fr \nde_DE = de\n", "de", "de_DE"},
        {"Default en_US\r\nfr_FR = fr\r\nde_DE = de\r\n", "de", "de_DE"},
        {"Default en_US\r\nfr_FR = fr\r\nde_DE = de\r\n", "fr.UTF-8", "fr_FR"},
        // A match outside an alias list gives the default, whatever line
        // comes before it.
        {"fr_FR = fr\nDefault en_US\n", "en_US", "en_US"},
        {"Default de_DE\nfr_FR = fr\n", "de_DE", "de_DE"},
    };
    for (const LangCase& c : cases) {
        ScratchDir dir;
        if (c.table)
            dir.Write("trans.conf", c.table);
        const ChildResult r = InCatalogue(
            dir,
            [] {
                char* const first = GetDesiredNLSLang();
                std::printf("%s %d", first, first == GetDesiredNLSLang() && first == pNLSLang);
            },
            c.lang);
        EXPECT_EQ(r.out, std::string(c.chosen) + " 1")
            << "table " << Show(c.table) << " LANG " << Show(c.lang);
        EXPECT_EQ(r.err, "");
    }
}

TEST(NlsLanguage, ChosenOnceForTheRun) {
    ScratchDir dir;
    dir.Write("trans.conf", kExampleTable);
    const ChildResult r = InCatalogue(
        dir,
        [] {
            std::printf("%s ", GetDesiredNLSLang());
            setenv("LANG", "en_US", 1);
            std::remove("trans.conf");
            std::printf("%s", GetDesiredNLSLang());
        },
        "fr");
    EXPECT_EQ(r.out, "fr_FR fr_FR");
}

TEST(NlsLanguage, TableOfTheEnglishCoreStoreWithoutTranslationFile) {
    ScratchDir dir;
    WriteStore(dir, "en_US", "CoreString", {{"999_1", "Default de_DE \nfr_FR = fr french \n"}});
    const auto choose = [&dir](const char* lang) {
        return InCatalogue(
                   dir,
                   [] {
                       const char* const chosen = GetDesiredNLSLang();
                       std::printf("%s %s", chosen, pDrvCoreDB ? "open" : "closed");
                   },
                   lang)
            .out;
    };
    EXPECT_EQ(choose("french"), "fr_FR open");
    EXPECT_EQ(choose("it_IT"), "de_DE open");
    EXPECT_EQ(choose(nullptr), "de_DE open");
}

TEST(NlsLanguage, EnglishWithoutTableAndWithoutStore) {
    ScratchDir dir;
    // A store without message 999/1, and no store at all.
    WriteStore(dir, "en_US", "CoreString", {{"25_1", "x"}});
    EXPECT_EQ(InCatalogue(
                  dir, [] { std::printf("%s", GetDesiredNLSLang()); }, "fr")
                  .out,
              "en_US");
    ScratchDir empty;
    const ChildResult r = InCatalogue(
        empty, [] { std::printf("%s", GetDesiredNLSLang()); }, "fr");
    EXPECT_EQ(r.out, "en_US");
    EXPECT_EQ(r.err, "");
}

// ---------------------------------------------------------------------------
// The normalised translation table.

TEST(NlsTransFile, Normalised) {
    const std::pair<const char*, const char*> cases[] = {
        {kExampleTable, "Default en_US \nfr_FR = fr fr_FR fr_CA french \n"},
        {"# comment\n  Default\ten_US   # trailing\n\n", "Default en_US \n"},
        {"Default en_US fr_FR = fr", "Default en_US \nfr_FR = fr "},
        {"a=b =c d\n", "a=b = c d \n"},
        {"x # to the end", "x "},
        {"x #one\rfr_FR = fr\n", "x fr_FR = fr \n"},
        {"\n\n de_DE = de \n\n", "de_DE = de \n"},
    };
    for (const auto& [text, normalised] : cases) {
        ScratchDir dir;
        dir.Write("t.conf", text);
        const ChildResult r =
            InCatalogue(dir, [] { std::printf("%s", Show(ParseTransFile("t.conf")).c_str()); });
        EXPECT_EQ(r.out, "[" + std::string(normalised) + "]") << text;
    }
}

TEST(NlsTransFile, MissingFileGivesNullQuietly) {
    ScratchDir dir;
    const ChildResult r =
        InCatalogue(dir, [] { std::printf("%s", Show(ParseTransFile("none")).c_str()); });
    EXPECT_EQ(r.out, "null");
    EXPECT_EQ(r.err, "");
}

// The normalised table holds at most 8191 characters: a table that fits
// exactly is kept whole; one character more leaves out its last line (no line
// is ever cut), so that the alias on it is no longer found.
TEST(NlsTransFile, LongTableKeepsTheWholeLinesThatFit) {
    for (const int extra : {0, 1}) {
        std::string text = "Default en_US\n";
        std::string kept = "Default en_US \n";
        for (int i = 0; kept.size() + 200 < NLS_TABLE_SIZE; ++i) {
            const std::string line = "x" + std::to_string(10000 + i) + " = a";
            text += line + "\n";
            kept += line + " \n";
        }
        // "zz_ZZ = " alias " \n" fills the table up to 8191 characters.
        const std::size_t aliasLen = NLS_TABLE_SIZE - 1 - kept.size() - 10 + extra;
        const std::string alias = "zz" + std::string(aliasLen - 2, 'q');
        text += "zz_ZZ = " + alias + "\n";
        const std::string whole = kept + "zz_ZZ = " + alias + " \n";
        ScratchDir dir;
        dir.Write("trans.conf", text);
        const ChildResult r = InCatalogue(
            dir, [] { std::printf("%s|%s", ParseTransFile("trans.conf"), GetDesiredNLSLang()); },
            alias.c_str());
        if (extra == 0) {
            ASSERT_EQ(whole.size(), static_cast<std::size_t>(NLS_TABLE_SIZE - 1));
            EXPECT_EQ(r.out, whole + "|zz_ZZ");
        } else {
            EXPECT_EQ(r.out, kept + "|en_US");
        }
    }
}

// A first line longer than the table leaves nothing.
TEST(NlsTransFile, LineLongerThanTheTable) {
    ScratchDir dir;
    dir.Write("trans.conf", "fr_FR = " + std::string(NLS_TABLE_SIZE, 'f') + " fr\n");
    const ChildResult r = InCatalogue(
        dir, [] { std::printf("[%s]%s", ParseTransFile("trans.conf"), GetDesiredNLSLang()); },
        "fr");
    EXPECT_EQ(r.out, "[]en_US");
}

// ---------------------------------------------------------------------------
// Opening stores.

TEST(NlsOpenDB, MissingEnglishStoreIsReported) {
    ScratchDir dir;
    const ChildResult r =
        InCatalogue(dir, [] { std::printf("%s", OpenCore() ? "handle" : "null"); });
    EXPECT_EQ(r.out, "null");
    EXPECT_EQ(r.err, "ERROR:  Could not open English database:  " + dir.path() +
                         "/db/en_US/CoreString.xdb\n");
}

TEST(NlsOpenDB, MissingStoreOfAnotherLanguageIsEmpty) {
    ScratchDir dir;
    dir.Write("trans.conf", kExampleTable);
    WriteStore(dir, "en_US", "CoreString", {{"25_1", "English"}});
    const ChildResult r = InCatalogue(
        dir,
        [] {
            DbTHandle* const h = OpenCore();
            std::printf("%d %s", h ? h->DbType : -1, NlsFetchString(h, nullptr, 0, 25, 1));
        },
        "fr_FR");
    EXPECT_EQ(r.out, "0 25_1");
    EXPECT_EQ(r.err, "");
}

TEST(NlsOpenDB, StoreOfTheChosenLanguage) {
    ScratchDir dir;
    dir.Write("trans.conf", kExampleTable);
    WriteStore(dir, "fr_FR", "CoreString",
               {{"25_1", "Fran\xe7"
                         "ais"}});
    const ChildResult r = InCatalogue(
        dir, [] { std::printf("%s", NlsFetchString(OpenCore(), nullptr, 0, 25, 1)); }, "fr");
    EXPECT_EQ(r.out, "Fran\xe7"
                     "ais");
}

// A tool directory given relative to the current directory.
TEST(NlsOpenDB, RelativeToolDirectory) {
    ScratchDir dir;
    WriteStore(dir, "en_US", "CoreString", {{"25_1", "found"}});
    std::filesystem::create_directories(dir / "sub");
    const ChildResult r = RunInChild([&dir] {
        if (chdir((dir / "sub").c_str()) != 0)
            _exit(90);
        unsetenv("LANG");
        static char relative[] = "../";
        pToolPath = relative;
        std::printf("%s", NlsFetchString(OpenCore(), nullptr, 0, 25, 1));
        static char plain[] = "..";
        pToolPath = plain;
        std::printf(" %s", NlsFetchString(OpenCore(), nullptr, 0, 25, 1));
    });
    EXPECT_EQ(r.out, "found found");
    EXPECT_EQ(r.err, "");
    // A name that does not begin with "." nor "/".
    const ChildResult named = RunInChild([&dir] {
        if (chdir(dir.path().c_str()) != 0)
            _exit(90);
        unsetenv("LANG");
        std::filesystem::create_directories("tools/db/en_US");
        std::filesystem::copy_file("db/en_US/CoreString.xdb", "tools/db/en_US/CoreString.xdb");
        static char tools[] = "tools";
        pToolPath = tools;
        std::printf("%s", NlsFetchString(OpenCore(), nullptr, 0, 25, 1));
    });
    EXPECT_EQ(named.out, "found");
    EXPECT_EQ(named.err, "");
    // No tool directory at all: the current directory stands for it.
    const ChildResult unset = RunInChild([&dir] {
        if (chdir(dir.path().c_str()) != 0)
            _exit(90);
        unsetenv("LANG");
        pToolPath = nullptr;
        std::printf("%s %s", NlsFetchString(OpenCore(), nullptr, 0, 25, 1),
                    NlsOpenDB(nullptr, 0) ? "handle" : "null");
    });
    EXPECT_EQ(unset.out, "found null");
    EXPECT_EQ(unset.err, "");
}

// ---------------------------------------------------------------------------
// Fetching.

const Records kCore = {
    {"25_1", "Main menu"}, {"25_2", "Copies: %d\n"}, {"help.key", "Help text"},
    {"12_1", "the file"},  {"12_2", "lp0"},
};

// Runs fn with pDrvCoreDB opened on a store of records.
ChildResult WithCore(const Records& records, const std::function<void()>& fn) {
    ScratchDir dir;
    WriteStore(dir, "en_US", "CoreString", records);
    return InCatalogue(dir, [&fn] {
        pDrvCoreDB = OpenCore();
        if (!pDrvCoreDB)
            _exit(91);
        fn();
    });
}

// What a fetch gave: its text, and where the text lies: "buffer" (the
// caller's buffer), "key" (the caller's key text), "error" (the shared
// text) or "saved" (a saved string, which is released here).
std::string Where(char* text, const char* buffer, const char* key, const char* error) {
    if (!text)
        return "null";
    std::string where = text == buffer  ? "buffer"
                        : text == key   ? "key"
                        : text == error ? "error"
                                        : "saved";
    const std::string result = std::string(text) + "@" + where;
    if (where == "saved")
        PutMem(text);
    return result;
}

TEST(NlsFetch, ResultsOfEveryMode) {
    const ChildResult r = WithCore(kCore, [] {
        const char* const error = NlsFetchString(nullptr, nullptr, 1, "x");
        char buf[NLS_FETCH_SIZE];
        char key[] = "help.key";
        char missing[] = "no.such.key";
        const auto line = [&](const char* what, char* text, const char* k = nullptr) {
            std::printf("%s: %s | %s\n", what, Where(text, buf, k, error).c_str(), buf);
            std::strcpy(buf, "-");
        };
        std::strcpy(buf, "-");
        DbTHandle* const db = pDrvCoreDB;
        line("0 found buf", NlsFetchString(db, buf, 0, 25, 1));
        line("0 found", NlsFetchString(db, nullptr, 0, 25, 1));
        line("0 missing buf", NlsFetchString(db, buf, 0, 25, 9));
        line("0 missing", NlsFetchString(db, nullptr, 0, 25, 9));
        line("0 number 0", NlsFetchString(db, buf, 0, 25, 0));
        line("0 set 0", NlsFetchString(db, buf, 0, 0, 1));
        line("1 found buf", NlsFetchString(db, buf, 1, key), key);
        line("1 found", NlsFetchString(db, nullptr, 1, key), key);
        line("1 missing buf", NlsFetchString(db, buf, 1, missing), missing);
        line("2 missing", NlsFetchString(db, nullptr, 2, missing), missing);
        line("2 found", NlsFetchString(db, nullptr, 2, key), key);
        line("3 found", NlsFetchString(db, buf, 3, 25, 2));
        line("3 missing", NlsFetchString(db, buf, 3, 25, 9));
        line("3 set 0", NlsFetchString(db, buf, 3, 0, 2));
        line("other mode", NlsFetchString(db, buf, 4));
        line("1 null key", NlsFetchString(db, buf, 1, static_cast<const char*>(nullptr)));
        line("no store 0", NlsFetchString(nullptr, buf, 0, 25, 1));
        line("no store 0 number 0", NlsFetchString(nullptr, buf, 0, 25, 0));
        line("no store 0 set 0", NlsFetchString(nullptr, buf, 0, 0, 1));
        line("no store 3", NlsFetchString(nullptr, buf, 3, 25, 1));
        line("no store 1", NlsFetchString(nullptr, buf, 1, key), key);
        line("no store 2", NlsFetchString(nullptr, nullptr, 2, key), key);
        line("no store other", NlsFetchString(nullptr, buf, 9));
        line("negative", NlsFetchString(db, buf, 0, -25, -2147483647 - 1));
    });
    EXPECT_EQ(r.out, "0 found buf: Main menu@buffer | Main menu\n"
                     "0 found: Main menu@saved | -\n"
                     "0 missing buf: 25_9@saved | 25_9\n"
                     "0 missing: 25_9@saved | -\n"
                     "0 number 0: 25_0@saved | 25_0\n"
                     "0 set 0: Error@error | -\n"
                     "1 found buf: Help text@buffer | Help text\n"
                     "1 found: Help text@saved | -\n"
                     "1 missing buf: no.such.key@key | no.such.key\n"
                     "2 missing: no.such.key@key | -\n"
                     "2 found: Help text@saved | -\n"
                     "3 found: Copies: %d\n@saved | -\n"
                     "3 missing: 25_9@saved | -\n"
                     "3 set 0: Error@error | -\n"
                     "other mode: Error@error | -\n"
                     "1 null key: Error@error | -\n"
                     "no store 0: 25_1@saved | 25_1\n"
                     "no store 0 number 0: Error@error | -\n"
                     "no store 0 set 0: Error@error | -\n"
                     "no store 3: 25_1@saved | -\n"
                     "no store 1: Error@error | -\n"
                     "no store 2: Error@error | -\n"
                     "no store other: Error@error | -\n"
                     "negative: -25_-2147483648@saved | -25_-2147483648\n");
    EXPECT_EQ(r.err, "");
}

// Every failing fetch shares one "Error"; a caller that releases it does not
// take it from the others.
TEST(NlsFetch, SharedErrorText) {
    const ChildResult r = RunInChild([] {
        char* const first = NlsFetchString(nullptr, nullptr, 4);
        PutMem(first);
        char* const filler = SaveStr_("XXXXXXXX");
        char* const second = NlsFetchString(nullptr, nullptr, 1, "k");
        std::printf("%s %s %d", second, filler, first == second);
    });
    EXPECT_EQ(r.out, "Error XXXXXXXX 1");
}

// A record larger than the 2048-byte scratch: mode 3 and a fetch without
// buffer give it whole; a caller's buffer gets its first 2047 characters.
TEST(NlsFetch, RecordLargerThanTheScratch) {
    const std::string large = std::string(3000, 'a') + "end";
    const std::string fits(NLS_FETCH_SIZE - 1, 'b');
    const ChildResult r = WithCore({{"25_1", large}, {"25_2", fits}}, [] {
        std::vector<char> buf(NLS_FETCH_SIZE + 64, '#');
        char* const whole = NlsFetchString(pDrvCoreDB, nullptr, 0, 25, 1);
        char* const large3 = NlsFetchString(pDrvCoreDB, buf.data(), 3, 25, 1);
        std::printf("%zu %zu %s\n", std::strlen(whole), std::strlen(large3),
                    whole + std::strlen(whole) - 3);
        char* const cut = NlsFetchString(pDrvCoreDB, buf.data(), 0, 25, 1);
        std::printf("%d %zu %c\n", cut == buf.data(), std::strlen(buf.data()), buf[NLS_FETCH_SIZE]);
        NlsFetchString(pDrvCoreDB, buf.data(), 0, 25, 2);
        std::printf("%zu %c\n", std::strlen(buf.data()), buf[NLS_FETCH_SIZE]);
    });
    EXPECT_EQ(r.out, "3003 3003 end\n1 2047 #\n2047 #\n");
}

// A long key text copied into the caller's buffer for a missing message.
TEST(NlsFetch, LongMissingKeyIsBoundedInTheBuffer) {
    const ChildResult r = WithCore(kCore, [] {
        const std::string key(5000, 'k');
        std::vector<char> buf(NLS_FETCH_SIZE + 16, '#');
        char* const text = NlsFetchString(pDrvCoreDB, buf.data(), 1, key.c_str());
        std::printf("%d %zu %c", text == key.c_str(), std::strlen(buf.data()), buf[NLS_FETCH_SIZE]);
    });
    EXPECT_EQ(r.out, "1 2047 #");
}

// Fetched messages are kept per store; a change of the store's image is
// seen by the next fetch.
TEST(NlsFetch, ChangedStoreIsSeen) {
    ScratchDir dir;
    WriteStore(dir, "en_US", "CoreString", {{"25_1", "old one"}, {"25_2", "two"}});
    const std::string path = dir / "db/en_US/CoreString.xdb";
    const ChildResult r = InCatalogue(dir, [&path, &dir] {
        DbTHandle* const h = NlsOpenDB("CoreString", DBT_KEEPIMAGE | DBT_DEFERWRITE);
        DbTHandle* const reloading = NlsOpenDB("CoreString", 0);
        char buf[64];
        const auto show = [&buf](DbTHandle* db, int number) {
            std::printf("%s|", NlsFetchString(db, buf, 0, 25, number));
        };
        show(h, 1);
        show(reloading, 1);
        // Changed through the handle: a text of the same length, a removal.
        DbmTPutRecord(h, "25_1", "new one", 8);
        show(h, 1);
        DbmTDeleteRecord(h, "25_2");
        show(h, 2);
        std::printf("\n");
        // Another program replaces the file: seen by the handle that
        // reloads, not by the one that keeps its image.
        show(reloading, 2);
        dir.Write("db/en_US/CoreString.xdb", TypedStore({{"25_1", "OLD ONE"}, {"25_2", "TWO"}}));
        const timespec later[2] = {{2000000000, 0}, {2000000000, 0}};
        utimensat(AT_FDCWD, path.c_str(), later, 0);
        show(reloading, 1);
        show(reloading, 2);
        show(h, 1);
        std::printf("\n");
        // A store closed and another opened, perhaps in the same place.
        DbTClose(reloading);
        WriteStore(dir, "en_US", "Other", {{"25_1", "other"}});
        DbTHandle* const other = NlsOpenDB("Other", 0);
        show(other, 1);
        show(other, 2);
    });
    EXPECT_EQ(r.out, "old one|old one|new one|25_2|\n"
                     "two|OLD ONE|TWO|new one|\n"
                     "other|25_2|");
    EXPECT_EQ(r.err, "");
}

// ---------------------------------------------------------------------------
// Printing and formatting.

TEST(NlsPrint, NlsfprintfFormatsOrWritesError) {
    const ChildResult r = WithCore(kCore, [] {
        Nlsfprintf(stdout, pDrvCoreDB, 25, 2, 3);
        std::printf("|");
        Nlsfprintf(stdout, pDrvCoreDB, 25, 9, 3);
        std::printf("|");
        Nlsfprintf(stdout, nullptr, 25, 2, 3);
        std::printf("|");
        Nlsfprintf(stdout, pDrvCoreDB, 0, 1);
        std::printf("|");
        Nlsfprintf(nullptr, pDrvCoreDB, 25, 2, 3);
    });
    EXPECT_EQ(r.out, "Copies: 3\n|Error|Error|Error|");
}

TEST(NlsPrint, NlssprintfFormatsOrWritesError) {
    const ChildResult r = WithCore(kCore, [] {
        char buf[64];
        Nlssprintf(buf, pDrvCoreDB, 25, 2, 12);
        std::printf("%s|", buf);
        Nlssprintf(buf, pDrvCoreDB, 25, 9, 12);
        std::printf("%s|", buf);
        Nlssprintf(NlsBuf, nullptr, 25, 2, 12);
        std::printf("%s|", NlsBuf);
        Nlssprintf(NlsBuf, pDrvCoreDB, 0, 2);
        std::printf("%s|", NlsBuf);
        Nlssprintf(nullptr, pDrvCoreDB, 25, 2, 12);
    });
    EXPECT_EQ(r.out, "Copies: 12\n|Error|Error|Error|");
}

// A formatted message longer than the shared buffer is cut to fit it.
TEST(NlsPrint, NlssprintfIsBoundedByTheSharedBuffer) {
    const ChildResult r = WithCore({{"30_1", "<%s>"}}, [] {
        const std::string arg(NLS_BUF_SIZE + 100, 'z');
        std::vector<char> buf(NLS_BUF_SIZE + 200, '#');
        Nlssprintf(buf.data(), pDrvCoreDB, 30, 1, arg.c_str());
        std::printf("%zu %c %c", std::strlen(buf.data()), buf[0], buf[NLS_BUF_SIZE]);
    });
    EXPECT_EQ(r.out, std::to_string(NLS_BUF_SIZE - 1) + " < #");
}

// ---------------------------------------------------------------------------
// "%s" conversion and check values.

TEST(NlsGuiStrCvt, PlacesFilledWithTheMessagesOfTheSet) {
    const ChildResult r = WithCore(kCore, [] {
        char dest[64];
        const auto show = [&dest](const char* src, int set, int size) {
            std::memset(dest, '#', sizeof dest);
            char* const result = NlsGuiStrCvt(src, set, dest, size);
            std::printf("[%s]%d%c\n", result, result == dest,
                        size < static_cast<int>(sizeof dest) ? dest[size] : '-');
        };
        show("Print %s on %s", 12, 64);
        show("Print %s on %s and %s", 12, 64);
        show("100%% %d %", 12, 64);
        show("Print %s on %s", 0, 64);
        show("Print %s on %s", 12, 10);
        show("Print %s on %s", 12, 1);
        show(nullptr, 12, 8);
    });
    EXPECT_EQ(r.out, "[Print the file on lp0]1-\n"
                     "[Print the file on lp0 and 12_3]1-\n"
                     "[100%% %d %]1-\n"
                     "[Print  on ]1-\n"
                     "[Print the]1#\n"
                     "[]1#\n"
                     "[]1#\n");
}

TEST(NlsGuiStrCvt, WithoutStoreTheKeysStand) {
    const ChildResult r = RunInChild([] {
        char dest[64];
        std::printf("%s", NlsGuiStrCvt("Print %s on %s", 12, dest, sizeof dest));
        std::printf("|%p", static_cast<void*>(NlsGuiStrCvt("x", 12, nullptr, 10)));
        dest[0] = '#';
        NlsGuiStrCvt("x", 12, dest, 0);
        std::printf("|%c", dest[0]);
    });
    EXPECT_EQ(r.out, "Print 12_1 on 12_2|(nil)|#");
}

// A message longer than the 1024-byte scratch is inserted cut to 1023
// characters.
TEST(NlsGuiStrCvt, LongMessageIsCutToTheScratch) {
    const ChildResult r = WithCore({{"12_1", std::string(1500, 'm')}}, [] {
        std::vector<char> dest(4000);
        NlsGuiStrCvt("<%s>", 12, dest.data(), static_cast<int>(dest.size()));
        std::printf("%zu %c", std::strlen(dest.data()), dest[1024]);
    });
    EXPECT_EQ(r.out, "1025 >");
}

TEST(NlsCalcStrVal, SumsOfTheBytes) {
    const ChildResult r = RunInChild([] {
        std::printf("%s\n", NlsCalcStrVal("abc"));
        std::printf("%s\n", NlsCalcStrVal(""));
        std::printf("%s\n", NlsCalcStrVal(nullptr));
        std::printf("%s\n", NlsCalcStrVal("\xff"));
        std::printf("%s\n", NlsCalcStrVal("\x01\x01"));
        // 2^16 + 1 bytes of 1: Q wraps (its last term alone is 2^32 + 2^17 + 1).
        const std::string ones(65537, '\x01');
        std::printf("%s\n", NlsCalcStrVal(ones.c_str()));
        char* const a = NlsCalcStrVal("a");
        char* const b = NlsCalcStrVal("b");
        std::printf("%s %d\n", a, a == b);
    });
    // Sum of i*i for i = 1..65537 is 93831434829825, modulo 2^32 0xD5578001.
    EXPECT_EQ(r.out, "0000056400000126\n"
                     "0000000000000000\n"
                     "0000000000000000\n"
                     "000000FF000000FF\n"
                     "0000000500000002\n"
                     "D557800100010001\n"
                     "0000006200000062 1\n");
}

// ---------------------------------------------------------------------------
// Redirections.

TEST(NlsRedirect, FindRedirect) {
    const std::pair<const char*, const char*> cases[] = {
        // text, target or null, then the text afterwards
        {"see $$setup.REDIRECT here", "setup|see $$setup"},
        {"$$printers.redirect", "printers|$$printers"},
        {"$$a.redirection", "a|$$a"},
        {"no mark .redirect", "null|no mark .redirect"},
        {"$$a.redirec", "null|$$a.redirec"},
        {"$$a.b.redirect", "null|$$a.b.redirect"},
        {"$$nodot", "null|$$nodot"},
        {"$$.redirect", "|$$"},
    };
    for (const auto& [text, expected] : cases) {
        std::string buf = text;
        char* const target = FindRedirect(buf.data());
        EXPECT_EQ((target ? std::string(target) : "null") + "|" + buf.c_str(), expected) << text;
    }
    EXPECT_EQ(FindRedirect(nullptr), nullptr);
}

const Records kHelp = {
    {"printers", "How to set up printers."},
    {std::string(63, 't'), "long target"},
    {std::string(64, 't'), "too long"},
    {"big", std::string(3000, 'h')},
};

TEST(NlsRedirect, CheckForRedirect) {
    ScratchDir dir;
    WriteStore(dir, "en_US", "Help", kHelp);
    const ChildResult r = InCatalogue(dir, [] {
        pPrtHelpDB = NlsOpenDB("Help", 0);
        char text[NLS_FETCH_SIZE + 16];
        const auto check = [&text](const std::string& in) {
            std::memset(text, '#', sizeof text);
            std::strcpy(text, in.c_str());
            char* const target = CheckForRedirect(text);
            std::printf("%s|%s|%c\n", target ? target : "null",
                        std::strlen(text) > 40 ? (std::to_string(std::strlen(text)) + "x").c_str()
                                               : text,
                        text[NLS_FETCH_SIZE]);
        };
        check("see $$printers.redirect");
        check("$$nothere.Redirect");
        check("plain help text");
        check("$$" + std::string(63, 't') + ".redirect");
        check("$$" + std::string(64, 't') + ".redirect");
        check("$$big.redirect");
        pPrtHelpDB = nullptr;
        check("see $$printers.redirect now");
    });
    EXPECT_EQ(r.out, "printers|How to set up printers.|#\n"
                     "nothere|nothere|#\n"
                     "null|plain help text|#\n" +
                         std::string(63, 't') + "|long target|#\n" +
                         "null|75x|#\n"
                         "big|2047x|#\n"
                         "printers|see $$printers|#\n");
    // The static result buffer holds the last target.
}

} // namespace
