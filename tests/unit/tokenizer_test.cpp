// The shared tokenizer, the line reader, the splitter, keyword lists and the
// sort of delimited lists.
#include "child.h"
#include "utils.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace {

class Tokenizer : public ::testing::Test {
protected:
    void SetUp() override {
        SetTokenBuf(nullptr);
        chTokenDel = '\0';
        GetTokenBuf[0] = '\0';
    }
};

std::optional<std::string> Text(const char* p) {
    return p != nullptr ? std::optional<std::string>(p) : std::nullopt;
}

// Every token of a scan with GetToken, and chTokenDel after each call, the
// final null one included.
struct Scan {
    std::vector<std::string> tokens;
    std::vector<char> dels;
};

Scan ScanAll(const char* in, const char* delims) {
    Scan scan;
    for (const char* t = GetToken(in, delims);; t = GetToken(nullptr, delims)) {
        scan.dels.push_back(chTokenDel);
        if (t == nullptr)
            return scan;
        scan.tokens.emplace_back(t);
    }
}

TEST_F(Tokenizer, GetTokenSplitsDecodesEscapesAndRecordsTheDelimiter) {
    struct Case {
        const char* in;
        const char* delims;
        std::vector<std::string> tokens;
        std::vector<char> dels;
    };
    const Case cases[] = {
        {",,a,,b", ",", {"a", "b"}, {',', ',', '\0'}},
        {"a\\,b,c", ",", {"a,b", "c"}, {',', '\0', '\0'}},
        {"a\\n", " ", {"a\n"}, {'\0', '\0'}},
        {"\\t\\r\\\\\\ x", " ", {"\t\r\\ x"}, {'\0', '\0'}},
        {"ab\\", " ", {"ab"}, {'\0', '\0'}},
        {"one two\tthree\n", " \t\n", {"one", "two", "three"}, {' ', '\t', '\n', '\0'}},
        {"", ",", {}, {'\0'}},
        {" \t\n", " \t\n", {}, {'\n'}},
        {"a:b", "", {"a:b"}, {'\0', '\0'}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.in);
        const Scan scan = ScanAll(c.in, c.delims);
        EXPECT_EQ(scan.tokens, c.tokens);
        EXPECT_EQ(scan.dels, c.dels);
        EXPECT_EQ(szIn, c.in + std::strlen(c.in)); // the scan ends at the end of its input
    }
}

TEST_F(Tokenizer, GetTokenLeavesTheScanBehindOneDelimiter) {
    const char text[] = ",,a,,b";
    ASSERT_STREQ(GetToken(text, ","), "a");
    EXPECT_EQ(szIn, text + 4);
    EXPECT_EQ(szTokenIn, text + 4);
    EXPECT_EQ(GetTokenBufInput(), text + 4);
    ASSERT_STREQ(GetToken(nullptr, ","), "b");
    EXPECT_EQ(szIn, text + 6);
    EXPECT_EQ(szTokenIn, text + 6);

    const char blanks[] = "   ";
    EXPECT_EQ(GetToken(blanks, " "), nullptr);
    EXPECT_EQ(szIn, blanks + 3);
    EXPECT_EQ(szTokenIn, blanks + 3);
}

TEST_F(Tokenizer, LineModeRefusesATokenEndingAtALineFeed) {
    struct Case {
        const char* text;
        std::optional<std::string> token;
        int inAfter;      // offset of szIn after the call
        int tokenInAfter; // offset of szTokenIn after the call (SetTokenBuf put it at 0)
        std::optional<std::string> next; // the following GetToken (null)
    };
    const Case cases[] = {
        {"abc\ndef", std::nullopt, 4, 0, "def"},
        {"abc def\n", "abc", 4, 4, "def"},
        {"\nabc", "abc", 4, 4, std::nullopt},
        {"abc", "abc", 3, 3, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::string text = c.text;
        SetTokenBuf(text.data());
        EXPECT_EQ(Text(GetToken(TOKEN_LINE_MODE, " \n")), c.token);
        EXPECT_EQ(szIn, text.data() + c.inAfter);
        EXPECT_EQ(szTokenIn, text.data() + c.tokenInAfter);
        EXPECT_EQ(Text(GetToken(nullptr, " \n")), c.next);
    }
    std::string text = "abc\ndef";
    SetTokenBuf(text.data());
    EXPECT_EQ(GetToken(TOKEN_LINE_MODE, " \n"), nullptr);
    EXPECT_EQ(chTokenDel, '\n');
}

TEST_F(Tokenizer, AnOverlongTokenIsCutAndTheScanStaysInStep) {
    const std::string kept(254, 'x');
    struct Case {
        std::string in;
        std::string first;
        std::string second;
    };
    const Case cases[] = {
        {kept + " r", kept, "r"},
        {kept + "x r", kept, "r"},
        {std::string(400, 'x') + " r", kept, "r"},
        // The passed-over rest still honours escapes: "\ " does not end the token.
        {kept + "yy\\ zz r", kept, "r"},
        {std::string(252, 'x') + "\\t\\t\\t r", std::string(252, 'x') + "\t\t", "r"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.in.size());
        EXPECT_EQ(Text(GetToken(c.in.c_str(), " ")), c.first);
        EXPECT_EQ(chTokenDel, ' ');
        EXPECT_EQ(szIn, c.in.c_str() + c.in.size() - 1);
        EXPECT_EQ(Text(GetToken(nullptr, " ")), c.second);
        EXPECT_EQ(Text(GetTokenN(c.in.c_str(), " ", 2)), c.second);
        EXPECT_EQ(GetTokenCount(c.in.c_str(), " "), 2);
    }
}

TEST_F(Tokenizer, GetTokenDUsesOnlyTheCallersPositionAndBuffer) {
    char shared[] = "shared";
    SetTokenBuf(shared);
    std::strcpy(GetTokenBuf, "keep");

    const char text[] = "a b\nc";
    char* pos = nullptr;
    char out[8];
    EXPECT_EQ(GetTokenD(text, " \n", &pos, out), out);
    EXPECT_STREQ(out, "a");
    EXPECT_EQ(pos, text + 2);
    EXPECT_EQ(chTokenDel, ' ');

    // A refused token leaves *pos where it was, so the next call reads it again.
    EXPECT_EQ(GetTokenD(TOKEN_LINE_MODE, " \n", &pos, out), nullptr);
    EXPECT_EQ(pos, text + 2);
    EXPECT_EQ(chTokenDel, '\n');
    EXPECT_EQ(GetTokenD(nullptr, " \n", &pos, out), out);
    EXPECT_STREQ(out, "b");
    EXPECT_EQ(pos, text + 4);
    EXPECT_EQ(GetTokenD(nullptr, " \n", &pos, out), out);
    EXPECT_STREQ(out, "c");
    EXPECT_EQ(GetTokenD(nullptr, " \n", &pos, out), nullptr);
    EXPECT_EQ(pos, text + 5);
    EXPECT_EQ(chTokenDel, '\0');

    EXPECT_EQ(szIn, shared);
    EXPECT_EQ(szTokenIn, shared);
    EXPECT_STREQ(GetTokenBuf, "keep");
}

TEST_F(Tokenizer, GetTokenParseCutsTheInputInPlace) {
    char text[] = "x:y";
    EXPECT_EQ(GetTokenParse(text, ":"), text);
    EXPECT_EQ(std::string(text, 4), std::string("x\0y", 4));
    EXPECT_EQ(chTokenDel, ':');
    EXPECT_EQ(szTokenIn, text + 2);
    EXPECT_EQ(GetTokenParse(nullptr, ":"), text + 2);
    EXPECT_STREQ(text + 2, "y");
    EXPECT_EQ(chTokenDel, '\0');
    EXPECT_EQ(GetTokenParse(nullptr, ":"), nullptr);

    struct Case {
        const char* in;
        std::vector<std::string> tokens;
    };
    const Case cases[] = {
        {"::/bin::/usr/bin:", {"/bin", "/usr/bin"}},
        {"a\\:b:c\\\\:d", {"a\\:b", "c\\\\", "d"}},
        {"", {}},
        {"x:a\\", {"x", "a\\"}},
        {":::", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.in);
        std::string in = c.in;
        std::vector<std::string> tokens;
        for (char* t = GetTokenParse(in.data(), ":"); t; t = GetTokenParse(nullptr, ":"))
            tokens.emplace_back(t);
        EXPECT_EQ(tokens, c.tokens);
        EXPECT_EQ(szIn, in.data() + in.size());
    }
}

TEST_F(Tokenizer, GetTokenParseInLineMode) {
    char text[] = "abc\ndef";
    SetTokenBuf(text);
    EXPECT_EQ(GetTokenParse(const_cast<char*>(TOKEN_LINE_MODE), " \n"), nullptr);
    EXPECT_EQ(text[3], '\0');
    EXPECT_EQ(szIn, text + 4);
    EXPECT_EQ(szTokenIn, text);
    EXPECT_EQ(chTokenDel, '\n');
    EXPECT_EQ(GetTokenParse(nullptr, " \n"), text + 4);
    EXPECT_STREQ(text + 4, "def");
}

TEST_F(Tokenizer, ParseStrSplitsIntoAtMostMaxPieces) {
    struct Case {
        const char* in;
        const char* delims;
        int max;
        std::vector<std::string> args;
    };
    const Case cases[] = {
        {"a b c d", " ", 2, {"a", "b"}},
        {"  a\t b  ", " \t", 4, {"a", "b"}},
        {"a\\ b", " ", 3, {"a\\", "b"}},
        {"", " ", 3, {}},
        {"   ", " ", 3, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.in);
        std::string in = c.in;
        std::vector<char*> argv(c.max, in.data());
        ASSERT_EQ(ParseStr(in.data(), c.delims, argv.data(), c.max),
                  static_cast<int>(c.args.size()));
        for (int i = 0; i < c.max; ++i) {
            if (i < static_cast<int>(c.args.size()))
                EXPECT_STREQ(argv[i], c.args[i].c_str());
            else
                EXPECT_EQ(argv[i], nullptr);
        }
    }

    char text[] = "a b c d";
    char* argv[2];
    ASSERT_EQ(ParseStr(text, " ", argv, 2), 2);
    EXPECT_STREQ(text + 4, "c d");

    char* untouched[1] = {text};
    EXPECT_EQ(ParseStr(text, " ", untouched, 0), 0);
    EXPECT_EQ(untouched[0], text);
}

TEST_F(Tokenizer, GetTokenNCountsFromOne) {
    const std::pair<int, std::optional<std::string>> cases[] = {
        {2, "q"}, {0, "p"}, {1, "p"}, {-3, "p"}, {3, "r"}, {4, std::nullopt},
    };
    for (const auto& [n, token] : cases) {
        SCOPED_TRACE(n);
        EXPECT_EQ(Text(GetTokenN("p q r", " ", n)), token);
    }
}

TEST_F(Tokenizer, GetTokenCountRestoresTheScanInProgress) {
    const std::pair<const char*, int> counts[] = {{"p q r", 3}, {",,a,,b", 2}, {"", 0}, {" ", 0}};
    for (const auto& [in, n] : counts)
        EXPECT_EQ(GetTokenCount(in, " ,"), n) << in;

    const char text[] = "a b c";
    ASSERT_STREQ(GetToken(text, " "), "a");
    EXPECT_EQ(GetTokenCount("p q r", " "), 3);
    EXPECT_EQ(szIn, text + 2);
    EXPECT_EQ(szTokenIn, text + 2);
    EXPECT_STREQ(GetTokenBuf, "a");
    EXPECT_EQ(chTokenDel, '\0'); // not restored: the count ended at the end of its input
    EXPECT_EQ(GetTokenCount(nullptr, " "), 2); // the rest of the current scan
    EXPECT_STREQ(GetToken(nullptr, " "), "b");

    // A token of full length in GetTokenBuf comes back whole.
    const std::string full(254, 'k');
    const std::string outer = full + " z";
    ASSERT_EQ(Text(GetToken(outer.c_str(), " ")), full);
    EXPECT_EQ(GetTokenCount((std::string(400, 'm') + " n").c_str(), " "), 2);
    EXPECT_EQ(std::string(GetTokenBuf), full);
    EXPECT_STREQ(GetToken(nullptr, " "), "z");
}

TEST_F(Tokenizer, AbsentInputYieldsNullOrZero) {
    EXPECT_EQ(GetToken(nullptr, " "), nullptr);
    EXPECT_EQ(GetToken(TOKEN_LINE_MODE, " "), nullptr);
    EXPECT_EQ(GetTokenParse(nullptr, " "), nullptr);
    EXPECT_EQ(GetTokenN(nullptr, " ", 2), nullptr);
    EXPECT_EQ(GetTokenCount(nullptr, " "), 0);
    char* pos = nullptr;
    char out[4];
    EXPECT_EQ(GetTokenD(nullptr, " ", &pos, out), nullptr);

    char text[] = "x";
    char* argv[2] = {text, text};
    EXPECT_EQ(ParseStr(nullptr, " ", argv, 2), 0);
    EXPECT_EQ(argv[0], nullptr);
    EXPECT_EQ(argv[1], nullptr);

    EXPECT_EQ(FindToken(nullptr, ",a,"), 0);
    EXPECT_EQ(FindToken("a", nullptr), 0);
    EXPECT_EQ(FindTokenC(nullptr, ",a,"), 0);
    EXPECT_EQ(FindTokenC("a", nullptr), 0);
    EXPECT_EQ(FindTokenWithDelim(nullptr, "a", ','), 0);
    EXPECT_EQ(FindTokenWithDelim("a", nullptr, ','), 0);
    SortTokens(nullptr, ',', 0);
}

TEST(KeywordList, FindTokenAndFindTokenC) {
    const std::string w600(600, 'w');
    const std::string W600(600, 'W');
    const std::string w509(509, 'w');
    const std::string w510(510, 'w');
    const std::string tags = ",tr,/tr,td,/td,table,/table,";
    struct Case {
        std::string word;
        std::string list;
        int exact;   // FindToken
        int anyCase; // FindTokenC
    };
    const Case cases[] = {
        {"yes", ",y,yes,n,no,", 2, 2},
        {"ye", ",y,yes,n,no,", 0, 0},
        {"n", ",y,yes,n,no,", 3, 3},
        {"no", ",y,yes,n,no,", 4, 4},
        {"N", ",y,yes,n,no,", 0, 3},
        {"", ",a,b,", 3, 3},
        {"", ",a,b", 0, 0},
        {"x", "", 0, 0},
        {"", "", 0, 0},
        {"-v", ",install,-v", 2, 2},
        {"-V", ",install,-v", 0, 2},
        {"install", ",install,-v", 1, 1},
        {"TD", tags, 0, 3},
        {"Table", tags, 0, 5},
        {"/td", tags, 4, 4},
        {"ta", tags, 0, 0},
        {".", ";.;..;", 1, 1},
        {"..", ";.;..;", 2, 2},
        {"c", " a b c ", 3, 3},
        {"a,b", ",a,b,", 1, 1},
        // Words too long for a pattern buffer of 512 bytes.
        {w509, ",a," + w509 + ",", 2, 2},
        {w510, ",a," + w510 + ",", 2, 2},
        {w600, ",a," + w600 + ",b,", 2, 2},
        {w600, ",a," + w600, 2, 2},
        {W600, ",a," + w600 + ",", 0, 2},
        {w600, ",a," + w600 + "w,", 0, 0},
        {w600, ",a,b,", 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("'" + c.word.substr(0, 20) + "' in '" + c.list.substr(0, 40) + "'");
        EXPECT_EQ(FindToken(c.word.c_str(), c.list.c_str()), c.exact);
        EXPECT_EQ(FindTokenC(c.word.c_str(), c.list.c_str()), c.anyCase);
    }
}

TEST(KeywordList, FindTokenWithDelimCountsEveryPieceBetweenDelimiters) {
    const std::string longItem(1000, 'z');
    struct Case {
        std::string list;
        std::string word;
        char d;
        int n;
    };
    const Case cases[] = {
        {"a,b,c", "a", ',', 1},
        {"a,b,c", "b", ',', 2},
        {"a,b,c", "c", ',', 3},
        {"a,b,c", "d", ',', 0},
        {"a,b,c", "b,c", ',', 0},
        {"a,b,c", "", ',', 0},
        // The empty text before a leading delimiter is the first item.
        {",a,b", "a", ',', 2},
        {",a,b", "", ',', 1},
        {"a,,c", "", ',', 2},
        {"a,b,", "", ',', 3},
        {"x y", "y", ' ', 2},
        {"", "", ',', 0},
        {"x," + longItem + ",y", longItem, ',', 2},
        {"x," + longItem + ",y", "y", ',', 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("'" + c.word.substr(0, 20) + "' in '" + c.list.substr(0, 40) + "'");
        EXPECT_EQ(FindTokenWithDelim(c.list.c_str(), c.word.c_str(), c.d), c.n);
    }
}

TEST(SortTokens, SortsItemsInPlace) {
    struct Case {
        const char* in;
        char d;
        char ignoreCase;
        const char* out;
    };
    const Case cases[] = {
        {"c,a,b", ',', 0, "a,b,c,"},
        {"b,a,", ',', 0, "a,b,"},
        {"ab,a,", ',', 0, "a,ab,"},
        {",,b,a,", ',', 0, ",,a,b,"},
        {"B,a,C,", ',', 0, "B,C,a,"},
        {"B,a,C,", ',', 1, "a,B,C,"},
        {"b,a,A,", ',', 1, "a,A,b,"},
        {"b,A,a,", ',', 1, "A,a,b,"},
        {"b\\,c,a", ',', 0, "a,b\\,c,"},
        {"pear apple fig", ' ', 0, "apple fig pear "},
        {"", ',', 0, ""},
        {",,", ',', 0, ",,"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.in);
        // Exactly the room the caller must give: the text, one character more, the NUL.
        std::vector<char> buf(std::strlen(c.in) + 2, '\0');
        std::strcpy(buf.data(), c.in);
        SortTokens(buf.data(), c.d, c.ignoreCase);
        EXPECT_STREQ(buf.data(), c.out);
    }
}

TEST(Gets, ReadsOneLineFromStandardInput) {
    struct Case {
        const char* input;
        int n;
        int calls;
        const char* out; // each result in brackets or "null", then '|' and the unread rest
    };
    const Case cases[] = {
        {"abcdefg\n", 5, 1, "[abcd]|efg\n"},
        {"abcd\n", 5, 2, "[abcd][]|"},
        {"one\ntwo\n", 80, 3, "[one][two]null|"},
        {"ab", 80, 2, "[ab]null|"},
        {"\nx\n", 80, 1, "[]|x\n"},
        {"", 80, 1, "null|"},
        {"abc\n", 1, 1, "[]|abc\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input);
        const ChildResult r = RunInChild(
            [&] {
                std::vector<char> buf(c.n);
                for (int i = 0; i < c.calls; ++i) {
                    const char* line = Gets(buf.data(), c.n);
                    if (line == nullptr)
                        std::fputs("null", stdout);
                    else
                        std::printf("[%s]", line);
                }
                std::putchar('|');
                for (int ch; (ch = std::getchar()) != EOF;)
                    std::putchar(ch);
            },
            c.input);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, c.out);
    }
}

} // namespace
