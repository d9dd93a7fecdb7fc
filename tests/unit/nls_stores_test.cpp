// The message stores built from data/msg: every language holds every English
// message with the same printf directives in the same order and the same
// leading and trailing white space; the texts that the programs read keys
// from keep them usable; the translation table and message 999/1 agree.
#include "MemMgr.h"
#include "NlsUtils.h"
#include "child.h"

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

const char* const kLanguages[] = {"en_US", "fr_FR", "de_DE", "es_ES", "it_IT", "pt_BR"};

std::string ToolDir() {
    return BinaryDir() + "/share/zorvo";
}

std::string StorePath(const std::string& lang) {
    return ToolDir() + "/db/" + lang + "/CoreString.xdb";
}

using Messages = std::map<std::string, std::string>;

// Every record of a built store; a record whose data is not one text with
// its NUL is reported.
Messages ReadStore(const std::string& lang) {
    Messages messages;
    const std::string path = StorePath(lang);
    DbTHandle* const h = DbTOpen(path.c_str(), DBT_KEEPIMAGE);
    EXPECT_NE(h, nullptr);
    if (!h)
        return messages;
    EXPECT_EQ(h->DbType, DBT_TYPED) << path;
    DbLink* const list = DbmTGetDbLinkList(h, "");
    for (const DbLink* l = list; l; l = l->pNext) {
        const std::string data(l->pData, static_cast<std::size_t>(l->DataSize));
        EXPECT_TRUE(!data.empty() && data.find('\0') == data.size() - 1)
            << lang << " " << l->pKey << ": not one text with its NUL";
        EXPECT_TRUE(messages.emplace(l->pKey, data.c_str()).second)
            << lang << " " << l->pKey << " twice";
    }
    DbmFreeDbLinkList(list);
    DbTClose(h);
    return messages;
}

const Messages& Store(const std::string& lang) {
    static std::map<std::string, Messages> stores;
    auto it = stores.find(lang);
    if (it == stores.end())
        it = stores.emplace(lang, ReadStore(lang)).first;
    return it->second;
}

// The printf directives of a text, in order ("%%" is none).
std::vector<std::string> Directives(const std::string& text) {
    std::vector<std::string> found;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%')
            continue;
        std::size_t j = i + 1;
        if (j < text.size() && text[j] == '%') {
            i = j;
            continue;
        }
        while (j < text.size() &&
               std::string_view("-+ #0123456789.*hlLqjzt").find(text[j]) != std::string_view::npos)
            ++j;
        found.push_back(text.substr(i, j + 1 - i));
        i = j;
    }
    return found;
}

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

std::string Leading(const std::string& text) {
    std::size_t n = 0;
    while (n < text.size() && IsSpace(text[n]))
        ++n;
    return text.substr(0, n);
}

std::string Trailing(const std::string& text) {
    std::size_t n = text.size();
    while (n > 0 && IsSpace(text[n - 1]))
        --n;
    return text.substr(n);
}

std::string Shown(const std::vector<std::string>& v) {
    std::string s;
    for (const std::string& d : v)
        s += d + " ";
    return s;
}

TEST(NlsStores, EveryLanguageHasTheEnglishMessages) {
    const Messages& english = Store("en_US");
    ASSERT_FALSE(english.empty());
    for (const char* lang : kLanguages) {
        const Messages& messages = Store(lang);
        for (const auto& [key, text] : english) {
            const auto it = messages.find(key);
            if (it == messages.end()) {
                ADD_FAILURE() << lang << " lacks " << key;
                continue;
            }
            const std::string& translated = it->second;
            EXPECT_EQ(Shown(Directives(translated)), Shown(Directives(text)))
                << lang << " " << key << ": " << translated;
            EXPECT_EQ(Leading(translated), Leading(text)) << lang << " " << key;
            EXPECT_EQ(Trailing(translated), Trailing(text)) << lang << " " << key;
        }
        for (const auto& entry : messages)
            EXPECT_TRUE(english.count(entry.first))
                << lang << " has " << entry.first << ", English has not";
    }
}

// ISO 8859-1 text for a terminal: no control characters besides line feed
// and tab, no C1 controls (the bytes that UTF-8 text would bring in).
TEST(NlsStores, TextsArePrintableLatin1) {
    for (const char* lang : kLanguages)
        for (const auto& [key, text] : Store(lang))
            for (const char c : text) {
                const auto u = static_cast<unsigned char>(c);
                EXPECT_TRUE(u == '\n' || u == '\t' || (u >= 0x20 && u < 0x7f) || u >= 0xa0)
                    << lang << " " << key << " byte " << static_cast<int>(u);
            }
}

// The English texts that the menu framework, the validation and the help menu
// show as they stand.
TEST(NlsStores, EnglishTexts) {
    const std::pair<const char*, const char*> fixed[] = {
        {"20_150", "~e Exit Help"},
        {"20_151", "~c Contents"},
        {"20_152", "~b Back"},
        {"25_230", " or s for store settings in a file"},
        {"25_231", " or h for help"},
        {"25_232", " or <Return> to exit"},
        {"25_1000", "Press <Return> to continue"},
        {"25_1001", "\nPress <Return> to continue "},
        {"25_1002", "\n'%c' is not a valid name character. \nOnly alphanumeric character, '-', "
                    "and '_' are valid: \n"},
        {"25_1003", "This number must be between %i to %i."},
        {"25_1004", "This number must be between %x to %x."},
        {"25_1006", "Invalid character '%c'\nThis text may contain \"0123456789.\""},
        {"25_1007", "Invalid character '%c'\nThis text may contain \"abc..zABC..Z012..9%s\""},
        {"25_1008", "Invalid character '%c'\nThis text may contain \"abc..zABC..Z%s\""},
        {"25_1009", "Invalid entry \"%s\""},
        {"25_1010", "Invalid character %c\n%c was expected after \"%s\""},
        {"25_1011", "\nAll names must be set before applying setup.\nPress <Return> to continue"},
        {"25_1016", "reading from standard input"},
        {"25_1017", "\nDo you want to return to %s menu"},
        {"25_1018", "\nDo you want to exit %s"},
        {"25_1020", "Only one '.' may be entered."},
        {"30_42", "This text length must be from %i to %i characters long."},
    };
    const Messages& english = Store("en_US");
    for (const auto& [key, text] : fixed) {
        const auto it = english.find(key);
        ASSERT_NE(it, english.end()) << key;
        EXPECT_EQ(it->second, text) << key;
    }
    // The messages whose wording is the catalogue's, with the arguments that
    // their callers pass.
    const std::pair<const char*, const char*> directives[] = {
        {"25_203", "%s "},       {"25_204", "%s "},     {"25_207", "%d %d "}, {"25_208", "%d %d "},
        {"25_510", "%s %s %s "}, {"25_1024", "%g %g "}, {"30_22", "%s "},     {"30_44", "%i "},
        {"25_201", ""},          {"25_202", ""},        {"25_205", ""},       {"25_206", ""},
        {"25_270", ""},          {"25_271", ""},
    };
    for (const auto& [key, shown] : directives) {
        const auto it = english.find(key);
        ASSERT_NE(it, english.end()) << key;
        EXPECT_EQ(Shown(Directives(it->second)), shown) << key;
    }
}

// The text names the key: the letter stands alone, after a blank.
bool NamesKey(const std::string& text, char key) {
    for (std::size_t i = 1; i < text.size(); ++i)
        if (text[i] == key && text[i - 1] == ' ' &&
            (i + 1 == text.size() || !std::isalpha(static_cast<unsigned char>(text[i + 1]))))
            return true;
    return false;
}

// Keys that the programs take from the texts.
TEST(NlsStores, KeysInTheTextsStayUsable) {
    for (const char* lang : kLanguages) {
        const Messages& m = Store(lang);
        // Help commands: "~", a letter, a blank and a label; three letters.
        std::set<char> letters;
        for (const char* key : {"20_150", "20_151", "20_152"}) {
            const std::string& label = m.at(key);
            ASSERT_GE(label.size(), 4u) << lang << " " << key;
            EXPECT_EQ(label[0], '~') << lang << " " << key;
            EXPECT_TRUE(std::isalpha(static_cast<unsigned char>(label[1]))) << lang << " " << key;
            EXPECT_EQ(label[2], ' ') << lang << " " << key;
            letters.insert(label[1]);
        }
        EXPECT_EQ(letters.size(), 3u) << lang;
        // Pick screen: the keys that keep and restore, two different letters.
        const char keep = m.at("25_201")[0];
        const char restore = m.at("25_202")[0];
        EXPECT_TRUE(std::isalpha(static_cast<unsigned char>(keep))) << lang;
        EXPECT_TRUE(std::isalpha(static_cast<unsigned char>(restore))) << lang;
        EXPECT_NE(keep, restore) << lang;
        // The store and help keys of the menu loop are "s" and "h" in every
        // language.
        EXPECT_TRUE(NamesKey(m.at("25_230"), 's')) << lang;
        EXPECT_TRUE(NamesKey(m.at("25_231"), 'h')) << lang;
        // The leave questions get "? [y/n] " behind them.
        for (const char* key : {"25_1017", "25_1018"})
            EXPECT_NE(m.at(key).back(), '?') << lang << " " << key;
    }
}

// Message 999/1 is trans.conf in its normalised form, in every language; each
// language of the table has its store, and each store its line.
TEST(NlsStores, TranslationTable) {
    const ChildResult r = RunInChild([] {
        static std::string tool = ToolDir();
        pToolPath = tool.data();
        char* const table = ParseTransFile("trans.conf");
        std::printf("%s", table ? table : "(none)");
    });
    ASSERT_EQ(r.status, 0);
    const std::string& table = r.out;
    std::set<std::string> listed;
    for (std::size_t line = 0; line < table.size();) {
        const std::size_t end = table.find('\n', line);
        ASSERT_NE(end, std::string::npos);
        const std::string text = table.substr(line, end - line);
        if (text.find(" = ") != std::string::npos)
            listed.insert(text.substr(0, text.find(' ')));
        line = end + 1;
    }
    std::set<std::string> stores;
    for (const char* lang : kLanguages) {
        EXPECT_TRUE(std::filesystem::exists(StorePath(lang))) << lang;
        stores.insert(lang);
        EXPECT_EQ(Store(lang).at("999_1"), table) << lang;
    }
    EXPECT_EQ(listed, stores);
    for (const auto& entry : std::filesystem::directory_iterator(ToolDir() + "/db"))
        EXPECT_TRUE(stores.count(entry.path().filename().string())) << entry.path();
}

// LANG values chosen with the built tool directory, and a message of each
// language reached through NlsOpenDB.
TEST(NlsStores, LanguageOfTheBuiltToolDirectory) {
    const std::pair<const char*, const char*> cases[] = {
        {"fr_CA.ISO8859-1", "fr_FR"}, {"de_AT", "de_DE"},
        {"es_MX.UTF-8", "es_ES"},     {"it", "it_IT"},
        {"pt_PT@euro", "pt_BR"},      {"C", "en_US"},
        {"ja_JP", "en_US"},           {"en_GB.UTF-8", "en_US"},
    };
    for (const auto& [lang, chosen] : cases) {
        const ChildResult r = RunInChild([lang = lang] {
            static std::string tool = ToolDir();
            pToolPath = tool.data();
            setenv("LANG", lang, 1);
            pDrvCoreDB = NlsOpenDB("CoreString", 0);
            std::printf("%s %s", GetDesiredNLSLang(),
                        NlsFetchString(pDrvCoreDB, nullptr, 0, 20, 150));
        });
        EXPECT_EQ(r.out, std::string(chosen) + " " + Store(chosen).at("20_150")) << lang;
        EXPECT_EQ(r.err, "");
    }
}

} // namespace
