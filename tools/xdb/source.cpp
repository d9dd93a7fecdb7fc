// Reading and writing the text source format of the xdb tool.
#include "source.h"

#include "Dbm.h"

#include <cstdio>

namespace xdb {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// A cursor over one line.
struct Scanner {
    std::string_view line;
    std::size_t at = 0;

    bool AtEnd() const { return at >= line.size(); }
    char Peek() const { return AtEnd() ? '\0' : line[at]; }
    void SkipBlanks() {
        while (!AtEnd() && IsBlank(line[at]))
            ++at;
    }
    // True at the end of the line or at a comment.
    bool AtLineEnd() const { return AtEnd() || line[at] == '#'; }
};

// Reads a quoted string at the cursor (on its opening quote) and appends its
// bytes to out; false with the reason in error.
bool ReadQuoted(Scanner& s, std::string& out, std::string& error) {
    ++s.at; // the opening quote
    for (;;) {
        if (s.AtEnd()) {
            error = "unterminated string";
            return false;
        }
        const char c = s.line[s.at++];
        if (c == '"')
            return true;
        if (c != '\\') {
            out += c;
            continue;
        }
        if (s.AtEnd()) {
            error = "unterminated string";
            return false;
        }
        const char e = s.line[s.at++];
        switch (e) {
        case 'a':
            out += '\a';
            break;
        case 'b':
            out += '\b';
            break;
        case 'f':
            out += '\f';
            break;
        case 'n':
            out += '\n';
            break;
        case 'r':
            out += '\r';
            break;
        case 't':
            out += '\t';
            break;
        case 'v':
            out += '\v';
            break;
        case '\\':
        case '"':
        case '\'':
        case '?':
            out += e;
            break;
        case 'x': {
            int value = 0;
            int digits = 0;
            while (digits < 2 && !s.AtEnd() && HexValue(s.Peek()) >= 0) {
                value = value * 16 + HexValue(s.line[s.at++]);
                ++digits;
            }
            if (digits == 0) {
                error = "\\x without hexadecimal digits";
                return false;
            }
            out += static_cast<char>(value);
            break;
        }
        default:
            if (e >= '0' && e <= '7') {
                int value = e - '0';
                for (int digits = 1; digits < 3 && s.Peek() >= '0' && s.Peek() <= '7'; ++digits)
                    value = value * 8 + (s.line[s.at++] - '0');
                if (value > 0377) {
                    error = "octal escape above \\377";
                    return false;
                }
                out += static_cast<char>(value);
                break;
            }
            error = std::string("unknown escape \\") + e;
            return false;
        }
    }
}

bool BareKeyChar(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u > ' ' && u != 0x7f && c != '"' && c != '\\';
}

} // namespace

std::string KeyProblem(std::string_view key) {
    if (key.empty())
        return "empty key";
    if (key.find('\0') != std::string_view::npos)
        return "key holds a NUL";
    if (key.size() + 1 > static_cast<std::size_t>(DBT_MAX_KEY_LEN)) {
        char text[80];
        std::snprintf(text, sizeof text, "key of %zu bytes, at most %d", key.size(),
                      DBT_MAX_KEY_LEN - 1);
        return text;
    }
    return {};
}

LineKind ParseSourceLine(std::string_view line, SourceRecord& rec, std::string& error) {
    Scanner s{line};
    s.SkipBlanks();
    if (s.AtLineEnd())
        return LineKind::Empty;
    rec.key.clear();
    rec.data.clear();
    if (s.Peek() == '"') {
        if (!ReadQuoted(s, rec.key, error))
            return LineKind::Malformed;
    } else {
        while (!s.AtEnd() && !IsBlank(s.Peek())) {
            if (!BareKeyChar(s.Peek())) {
                error = "a key with a quote, a backslash or a control character must be quoted";
                return LineKind::Malformed;
            }
            rec.key += s.line[s.at++];
        }
    }
    if (const std::string problem = KeyProblem(rec.key); !problem.empty()) {
        error = problem;
        return LineKind::Malformed;
    }
    if (!s.AtEnd() && !IsBlank(s.Peek())) {
        error = "no blank after the key";
        return LineKind::Malformed;
    }
    s.SkipBlanks();
    bool raw = false;
    if (s.line.substr(s.at, 3) == "raw" &&
        (s.at + 3 == s.line.size() || IsBlank(s.line[s.at + 3]) || s.line[s.at + 3] == '"')) {
        raw = true;
        s.at += 3;
        s.SkipBlanks();
    }
    if (s.AtLineEnd()) {
        error = "no text after the key";
        return LineKind::Malformed;
    }
    if (s.Peek() != '"') {
        error = "the text must be in double quotes";
        return LineKind::Malformed;
    }
    // Strings that follow each other are joined, as in C.
    while (s.Peek() == '"') {
        if (!ReadQuoted(s, rec.data, error))
            return LineKind::Malformed;
        s.SkipBlanks();
    }
    if (!s.AtLineEnd()) {
        error = "unexpected text after the string";
        return LineKind::Malformed;
    }
    if (raw && rec.data.empty()) {
        error = "no data: a raw text must not be empty";
        return LineKind::Malformed;
    }
    if (!raw)
        rec.data += '\0';
    const std::size_t body = 2 + rec.key.size() + 1 + rec.data.size();
    if (body > static_cast<std::size_t>(DBM_MAX_REC_LEN)) {
        char text[96];
        std::snprintf(text, sizeof text, "record of %zu bytes with its key, at most %d", body,
                      DBM_MAX_REC_LEN);
        error = text;
        return LineKind::Malformed;
    }
    return LineKind::Record;
}

std::string Escape(std::string_view bytes) {
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        const auto u = static_cast<unsigned char>(c);
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '"':
            out += "\\\"";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            if (u < 0x20 || u == 0x7f) {
                char oct[5];
                std::snprintf(oct, sizeof oct, "\\%03o", u);
                out += oct;
            } else {
                out += c;
            }
        }
    }
    return out;
}

std::string FormatSourceLine(std::string_view key, std::string_view data) {
    bool bare = !key.empty() && key[0] != '#';
    for (const char c : key)
        bare = bare && BareKeyChar(c);
    std::string line = bare ? std::string(key) : "\"" + Escape(key) + "\"";
    if (!data.empty() && data.back() == '\0') {
        line += " \"" + Escape(data.substr(0, data.size() - 1)) + "\"";
    } else {
        line += " raw \"" + Escape(data) + "\"";
    }
    return line;
}

} // namespace xdb
