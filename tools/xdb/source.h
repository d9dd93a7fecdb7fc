// The text source format of message stores: one record a line, its key and
// its text in double quotes with C escapes; '#' comments and blank lines.
#pragma once

#include <string>
#include <string_view>

namespace xdb {

struct SourceRecord {
    std::string key;
    std::string data; // the bytes stored: the text and its NUL, or (raw) the bytes alone
};

enum class LineKind { Empty, Record, Malformed };

// Parses one line (without its line feed). A malformed line gives its reason
// in error.
LineKind ParseSourceLine(std::string_view line, SourceRecord& rec, std::string& error);

// The source line of a record (without its line feed): the text form when the
// data ends with a NUL, the raw form otherwise.
std::string FormatSourceLine(std::string_view key, std::string_view data);

// Bytes between double quotes with C escapes (no quotes added).
std::string Escape(std::string_view bytes);

// Why a key cannot be stored, or an empty string when it can.
std::string KeyProblem(std::string_view key);

} // namespace xdb
