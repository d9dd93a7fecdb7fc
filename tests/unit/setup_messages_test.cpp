// The installer's six message tables, and the choice among them from LANG.
#include "child.h"
#include "setup.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

struct Language {
    const char* name;
    const char* const* table;
};

const Language kLanguages[] = {
    {"English", NLS_ENGLISH}, {"Spanish", NLS_SPANISH}, {"Italian", NLS_ITALIAN},
    {"French", NLS_FRENCH},   {"German", NLS_GERMAN},   {"Portuguese", NLS_PORTUGUESE},
};

// Entries that read the same in every language.
constexpr int kSharedEntries[] = {15, 16, 57, 58};
// Entries the installer shows to its user.
constexpr int kShownEntries[] = {3,  10, 11, 12, 13, 14, 17, 18, 21, 35, 49,
                                 55, 56, 60, 62, 63, 65, 66, 67, 68, 69, 70};
// Comma lists whose items carry '_' markers (or none).
constexpr int kListEntries[] = {40, 41, 45, 46, 47, 48, 50};

// The printf directives of a text, in order: %[flags][width][.precision]
// [length]conversion; "%%" is none. A '%' at the very end counts as one.
std::vector<std::string> Directives(std::string_view text) {
    std::vector<std::string> found;
    std::size_t i = 0;
    const auto skip = [&](std::string_view set) {
        while (i < text.size() && set.find(text[i]) != std::string_view::npos)
            ++i;
    };
    while ((i = text.find('%', i)) != std::string_view::npos) {
        const std::size_t start = i++;
        if (i < text.size() && text[i] == '%') {
            ++i;
            continue;
        }
        skip("-+ #0'");
        skip("0123456789*");
        if (i < text.size() && text[i] == '.') {
            ++i;
            skip("0123456789*");
        }
        skip("hlLqjzt");
        if (i < text.size())
            ++i;
        found.emplace_back(text.substr(start, i - start));
    }
    return found;
}

constexpr std::string_view kBlanks = " \t\n\r\v\f";

std::string_view Leading(std::string_view text) {
    return text.substr(0, std::min(text.size(), text.find_first_not_of(kBlanks)));
}

std::string_view Trailing(std::string_view text) {
    const std::size_t last = text.find_last_not_of(kBlanks);
    return last == std::string_view::npos ? text : text.substr(last + 1);
}

// Why a text is no clean ISO 8859-1 text ("" when it is one): control bytes
// other than line feed and tab, C1 controls, and any byte pair that would
// make a UTF-8 multi-byte sequence.
std::string EncodingFault(std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto b = static_cast<unsigned char>(text[i]);
        const auto next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
        if ((b < 0x20 && b != '\n' && b != '\t') || b == 0x7f)
            return "control byte at " + std::to_string(i);
        if (b >= 0x80 && b <= 0x9f)
            return "C1 control byte at " + std::to_string(i);
        if (b >= 0xc2 && b <= 0xf4 && next >= 0x80 && next <= 0xbf)
            return "UTF-8 sequence at " + std::to_string(i);
    }
    return "";
}

std::vector<std::string> Items(std::string_view list) {
    std::vector<std::string> items;
    std::size_t start = 0;
    for (std::size_t comma; (comma = list.find(',', start)) != std::string_view::npos;
         start = comma + 1)
        items.emplace_back(list.substr(start, comma - start));
    items.emplace_back(list.substr(start));
    return items;
}

TEST(SetupMessages, DirectiveParserFindsEveryForm) {
    EXPECT_EQ(Directives("%s is %-10.3ls, %e %% %i%"),
              (std::vector<std::string>{"%s", "%-10.3ls", "%e", "%i", "%"}));
    EXPECT_EQ(Directives("100%% sure"), std::vector<std::string>{});
    EXPECT_EQ(Directives("%5.2f%%%lld"), (std::vector<std::string>{"%5.2f", "%lld"}));
}

TEST(SetupMessages, EnglishTextsWhoseBytesMatter) {
    EXPECT_STREQ(NLS_ENGLISH[15], "\t\t\"wrong number of arguments to interface program\" \\\n");
    EXPECT_STREQ(NLS_ENGLISH[63], "\nDo You want to continue with the installation? [yn] ");
    EXPECT_STREQ(NLS_ENGLISH[70], "\nEnter a selection:  ");
    EXPECT_STREQ(NLS_ENGLISH[49],
                 "There isn't enough space in %s to perform the installation activities. The "
                 "temporary work area should be at least %e bytes. Restart the installation "
                 "procedure using a work area that has enough space. \nie: 1. Use "
                 "/new_work_area_path in place of /tmp\n    2. Run `setup /new_work_area_path`\n");
}

TEST(SetupMessages, TranslationsKeepDirectivesAndFramingBlanks) {
    for (const Language& lang : kLanguages)
        for (int n = 0; n < NLS_SETUP_TEXTS; ++n) {
            ASSERT_NE(lang.table[n], nullptr) << lang.name << " " << n;
            const std::string_view english = NLS_ENGLISH[n];
            const std::string_view text = lang.table[n];
            SCOPED_TRACE(std::string(lang.name) + " text " + std::to_string(n));
            EXPECT_EQ(Directives(text), Directives(english));
            EXPECT_EQ(Leading(text), Leading(english));
            EXPECT_EQ(Trailing(text), Trailing(english));
        }
}

TEST(SetupMessages, SharedEntriesAreTheEnglishBytes) {
    for (const Language& lang : kLanguages)
        for (const int n : kSharedEntries)
            EXPECT_STREQ(lang.table[n], NLS_ENGLISH[n]) << lang.name << " text " << n;
}

TEST(SetupMessages, EveryTextIsIso88591) {
    for (const Language& lang : kLanguages)
        for (int n = 0; n < NLS_SETUP_TEXTS; ++n)
            EXPECT_EQ(EncodingFault(lang.table[n]), "") << lang.name << " text " << n;
}

TEST(SetupMessages, EncodingCheckRejectsUtf8AndControls) {
    EXPECT_EQ(EncodingFault("instalaci\xf3n \xbf"
                            "Desea"),
              "");
    EXPECT_NE(EncodingFault("instalaci\xc3\xb3n"), "");
    EXPECT_NE(EncodingFault("caf\xe2\x80\x99"), "");
    EXPECT_NE(EncodingFault("bell\a"), "");
    EXPECT_NE(EncodingFault("\x85"), "");
}

TEST(SetupMessages, ShownTextsDifferBetweenLanguages) {
    for (const int n : kShownEntries)
        for (std::size_t i = 0; i < std::size(kLanguages); ++i)
            for (std::size_t j = i + 1; j < std::size(kLanguages); ++j)
                EXPECT_STRNE(kLanguages[i].table[n], kLanguages[j].table[n])
                    << "text " << n << ": " << kLanguages[i].name << " and " << kLanguages[j].name;
}

TEST(SetupMessages, MenuTextsKeepTheirStructure) {
    for (const Language& lang : kLanguages) {
        for (const int n : kListEntries) {
            SCOPED_TRACE(std::string(lang.name) + " text " + std::to_string(n));
            const std::vector<std::string> english = Items(NLS_ENGLISH[n]);
            const std::vector<std::string> items = Items(lang.table[n]);
            ASSERT_EQ(items.size(), english.size());
            for (std::size_t k = 0; k < items.size(); ++k) {
                EXPECT_EQ(items[k].starts_with('_'), english[k].starts_with('_')) << k;
                if (english[k].find_first_not_of(' ') == std::string::npos)
                    EXPECT_EQ(items[k], english[k]) << "blank item " << k;
                else
                    EXPECT_NE(items[k].find_first_not_of("_ "), std::string::npos) << k;
            }
        }
        // Hot-key labels: the key stays, the label is translated.
        for (int n = 0; n <= 2; ++n)
            EXPECT_EQ(std::string_view(lang.table[n]).substr(0, 3),
                      std::string_view(NLS_ENGLISH[n]).substr(0, 3))
                << lang.name << " text " << n;
    }
}

TEST(SetupMessages, SpanishPromptShowsItsOwnLetters) {
    EXPECT_TRUE(std::string_view(NLS_SPANISH[63]).ends_with("[sn] ")) << NLS_SPANISH[63];
}

// ---------------------------------------------------------------------------
// The choice of the table. It is made once per process, so every case runs in
// a child of its own.

// What the child writes: its 71 texts, each ended by a NUL, then the LANG of
// its environment after the choice ("(unset)" when there is none).
std::string Report(const char* const* texts) {
    std::string r;
    for (int n = 0; n < NLS_SETUP_TEXTS; ++n)
        (r += texts[n]) += '\0';
    const char* lang = std::getenv("LANG");
    return r + (lang != nullptr ? lang : "(unset)");
}

void SetLang(const char* value) {
    if (value == nullptr)
        unsetenv("LANG");
    else
        setenv("LANG", value, 1);
}

ChildResult ChooseWith(const char* lang) {
    return RunInChild([lang] {
        SetLang(lang);
        const char* texts[NLS_SETUP_TEXTS];
        for (int n = 0; n < NLS_SETUP_TEXTS; ++n)
            texts[n] = nlsSetupStrCvt(n);
        const std::string r = Report(texts);
        std::fwrite(r.data(), 1, r.size(), stdout);
    });
}

std::string Expected(const char* const* table, const char* langAfter) {
    std::string r;
    for (int n = 0; n < NLS_SETUP_TEXTS; ++n)
        (r += table[n]) += '\0';
    return r + langAfter;
}

TEST(SetupLanguage, ChosenFromLang) {
    const struct {
        const char* lang; // null: not set
        const char* const* table;
        const char* langAfter;
    } cases[] = {
        {nullptr, NLS_ENGLISH, "(unset)"},
        {"C", NLS_ENGLISH, "C"},
        {"", NLS_ENGLISH, ""},
        {"en_US", NLS_ENGLISH, "en_US"},
        {"en_US.UTF-8", NLS_ENGLISH, "en_US"},
        {"es_ES", NLS_SPANISH, "es_ES"},
        {"it_IT.ISO8859-1", NLS_ITALIAN, "it_IT"},
        {"fr_FR.ISO8859-1", NLS_FRENCH, "fr_FR"},
        {"fr_FR.ISO8859-1.x", NLS_FRENCH, "fr_FR"},
        {"ge_GE", NLS_GERMAN, "ge_GE"},
        {"pr_BR.", NLS_PORTUGUESE, "pr_BR"},
        // Only the six codes are known.
        {"de_DE", NLS_ENGLISH, "de_DE"},
        {"de_DE.UTF-8", NLS_ENGLISH, "de_DE"},
        {"pt_BR", NLS_ENGLISH, "pt_BR"},
        {"fr_FR@euro", NLS_ENGLISH, "fr_FR@euro"},
        {"fr_fr", NLS_ENGLISH, "fr_fr"},
        {"fr", NLS_ENGLISH, "fr"},
        {".ISO8859-1", NLS_ENGLISH, ""},
        {"fr_FR,es_ES", NLS_ENGLISH, "fr_FR,es_ES"},
    };
    for (const auto& c : cases) {
        const ChildResult r = ChooseWith(c.lang);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, Expected(c.table, c.langAfter)) << "LANG=" << (c.lang ? c.lang : "unset");
    }
}

TEST(SetupLanguage, SpanishPromptAtLangEsES) {
    const ChildResult r = RunInChild([] {
        SetLang("es_ES");
        std::fputs(nlsSetupStrCvt(63), stdout);
    });
    EXPECT_TRUE(r.out.ends_with("[sn] ")) << r.out;
    EXPECT_EQ(r.out, NLS_SPANISH[63]);
}

TEST(SetupLanguage, ChoiceHoldsForTheRun) {
    const struct {
        const char* first;
        const char* later;
        const char* const* table;
    } cases[] = {
        {"it_IT", "ge_GE", NLS_ITALIAN},
        {nullptr, "es_ES", NLS_ENGLISH},
        {"de_DE", "fr_FR", NLS_ENGLISH},
        // A LANG set after the choice keeps its suffix: it is not cut again.
        {"fr_FR.ISO8859-1", "es_ES.ISO8859-1", NLS_FRENCH},
    };
    for (const auto& c : cases) {
        const ChildResult r = RunInChild([&c] {
            SetLang(c.first);
            nlsSetupStrCvt(0);
            SetLang(c.later);
            const char* texts[NLS_SETUP_TEXTS];
            for (int n = 0; n < NLS_SETUP_TEXTS; ++n)
                texts[n] = nlsSetupStrCvt(n);
            const std::string out = Report(texts);
            std::fwrite(out.data(), 1, out.size(), stdout);
        });
        EXPECT_EQ(r.out, Expected(c.table, c.later))
            << (c.first ? c.first : "unset") << " then " << c.later;
    }
}

} // namespace
