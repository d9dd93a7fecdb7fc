// Choosing the language of the run from LANG and the translation table, and
// opening message stores in that language.
#include "MemMgr.h"
#include "nls_private.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

char* pNLSLang = nullptr;

namespace {

// The translation table of the run, read once.
char* pTransTable = nullptr;

constexpr std::string_view kEnglish = "en_US";
constexpr std::string_view kDefault = "Default";

const char* ToolDir() {
    return pToolPath ? pToolPath : ".";
}

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// The normalised form of a translation file: every word followed by a blank,
// the word that ends a line (and the word after "Default") by a blank and a
// line feed, every "=" by a blank; comments dropped.
std::string Normalise(std::string_view text) {
    std::string out;
    bool afterDefault = false;
    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (IsSpace(c)) {
            // A line feed ends the line of the words before it, also behind
            // blanks, a carriage return or a comment.
            if (c == '\n' && !out.empty() && out.back() == ' ')
                out += '\n';
            ++i;
        } else if (c == '#') {
            const std::size_t end = text.find_first_of("\n\r", i);
            i = end == std::string_view::npos ? text.size() : end;
        } else if (c == '=') {
            out += "= ";
            ++i;
        } else {
            std::size_t end = i;
            while (end < text.size() && !IsSpace(text[end]))
                ++end;
            const std::string_view word = text.substr(i, end - i);
            out += word;
            out += afterDefault ? " \n" : " ";
            afterDefault = word == kDefault;
            i = end;
        }
    }
    return out;
}

// The table cut to the whole lines that fit its NLS_TABLE_SIZE bytes.
void Bound(std::string& table) {
    if (table.size() < static_cast<std::size_t>(NLS_TABLE_SIZE))
        return;
    const std::size_t lastLine = table.rfind('\n', NLS_TABLE_SIZE - 2);
    table.resize(lastLine == std::string::npos ? 0 : lastLine + 1);
}

// The default language named by the first "Default" of the table, or empty.
std::string_view DefaultLanguage(std::string_view table) {
    std::size_t p = table.find(kDefault);
    if (p == std::string_view::npos)
        return {};
    p += kDefault.size();
    if (p >= table.size() || table[p] == '\n')
        return {};
    p = table.find(' ', p);
    if (p == std::string_view::npos)
        return {};
    while (p < table.size() && (table[p] == ' ' || table[p] == '\t'))
        ++p;
    if (p >= table.size() || table[p] == '\n' || table[p] == '\r')
        return {};
    const std::size_t end = table.find_first_of(" \t\n", p);
    return table.substr(p, end == std::string_view::npos ? std::string_view::npos : end - p);
}

// The language of the alias line in which the search text was found at
// pos: the first word of that line, when an "=" precedes pos on it; else
// empty.
std::string_view AliasLanguage(std::string_view table, std::size_t pos) {
    const std::size_t nl = table.rfind('\n', pos);
    const std::size_t lineStart = nl == std::string_view::npos ? 0 : nl + 1;
    const std::string_view before = table.substr(lineStart, pos - lineStart);
    if (before.find('=') == std::string_view::npos)
        return {};
    std::size_t start = lineStart;
    while (start < pos && table[start] == ' ')
        ++start;
    const std::size_t end = table.find_first_of(" =\n", start);
    return table.substr(start, end - start);
}

std::string ChooseLanguage(std::string_view table, const char* lang) {
    std::string search = " ";
    search += lang;
    search += ' ';
    // LANG=fr_FR.ISO8859-1 is looked for as " fr_FR".
    const std::size_t dot = search.find('.');
    if (dot != std::string::npos)
        search.resize(dot);

    const std::string_view fallback = DefaultLanguage(table);
    const std::size_t pos = table.find(search);
    std::string_view chosen;
    if (pos != std::string_view::npos)
        chosen = AliasLanguage(table, pos);
    if (chosen.empty())
        chosen = fallback;
    return std::string(chosen.empty() ? kEnglish : chosen);
}

// The translation table: trans.conf of the tool directory, else message
// 999/1 of the English core store; null when there is neither.
char* ReadTransTable() {
    if (char* const table = ParseTransFile("trans.conf"))
        return table;
    if (!pDrvCoreDB) {
        char* const path = nls::StorePath("en_US", "CoreString");
        pDrvCoreDB = DbTOpen(path, 0);
        PutMem(path);
    }
    if (!pDrvCoreDB)
        return nullptr;
    char* const table = NlsFetchString(pDrvCoreDB, nullptr, 0, 999, 1);
    return table == nls::ErrorText ? nullptr : table;
}

} // namespace

namespace nls {

char* StorePath(const char* lang, const char* name) {
    const char* const tool = ToolDir();
    const char* const prefix = (tool[0] == '/' || tool[0] == '.') ? "" : "./";
    return SaveStr("%s%s/db/%s/%s.xdb", prefix, tool, lang, name);
}

} // namespace nls

char* ParseTransFile(const char* name) {
    if (!name)
        return nullptr;
    char* const content = GetSavedFileContent(ToolDir(), name);
    if (!content)
        return nullptr;
    std::string table = Normalise(content);
    PutMem(content);
    Bound(table);
    return SaveStr_(table.c_str());
}

char* GetDesiredNLSLang() {
    if (pNLSLang)
        return pNLSLang;
    const char* lang = std::getenv("LANG");
    if (!lang)
        lang = "___LANG_NOT_SET___";
    if (!pTransTable)
        pTransTable = ReadTransTable();
    pNLSLang = SaveStr_(pTransTable ? ChooseLanguage(pTransTable, lang).c_str() : "en_US");
    return pNLSLang;
}

DbTHandle* NlsOpenDB(const char* name, int mode) {
    if (!name)
        return nullptr;
    char* const lang = SaveStr_(GetDesiredNLSLang());
    char* const path = nls::StorePath(lang, name);
    DbTHandle* h = DbTOpen(path, mode);
    if (h && h->DbType == DBT_NEW && std::strncmp(lang, "en_US", 5) == 0) {
        std::fprintf(stderr, "ERROR:  Could not open English database:  %s\n", path);
        DbTClose(h);
        h = nullptr;
    }
    PutMem(path);
    PutMem(lang);
    return h;
}
