// Work files of the text editors: reading a file in pieces of at most 510
// characters, and replacing an edited file by its completed work file.
#pragma once

#include "utils.h"

#include <cstddef>
#include <cstdio>
#include <string_view>

namespace workfile {

// A piece is at most 510 characters: the most that fgets with a size of 511
// reads at once. Longer lines arrive as several pieces.
inline constexpr std::size_t PIECE_MAX = EDIT_LINE_SIZE - 2;

// Reads the next piece of f into buf (EDIT_LINE_SIZE bytes): the characters
// up to and including the next line feed, at most PIECE_MAX of them, ended by
// a NUL. Unlike a C string the piece keeps any NUL bytes the file holds.
// Returns an empty view at the end of the file or on a read error.
std::string_view ReadPiece(std::FILE* f, char* buf);

// Records the error number of a failed read of the file being edited, for
// the report of Replace.
void NoteReadError(std::FILE* f);

// Closes in and out (either may be null), then moves the work file over the
// edited file in one step (rename), so that the edited file is either the old
// one or the new one. Nothing is replaced when reading the edited file or
// writing the work file failed: the incomplete work file is removed. When the
// rename itself fails the completed work file stays. Each failure is reported
// on standard error. Returns true when the edited file was replaced.
bool Replace(std::FILE* in, std::FILE* out, const char* edited, const char* work);

// Ends the process as a failed open at level 2 does, for a file name that
// does not fit its buffer: name is shown as far as it fits.
[[noreturn]] void RefuseName(const char* name);

} // namespace workfile
