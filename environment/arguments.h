// arguments.h: the command line split into arguments, the program's own path as argument 0, and
// the argument escapes that let callers write a space without quoting.
#pragma once

#include <cstddef>
#include <string>

#include "platform/platform.h"

namespace environment {

// The longest argument, in bytes: a token stops there, and its remaining bytes begin the next.
using platform::max_argument_length;

// Reads the token that starts at position and moves position past it. Blanks (bytes 0x01 to
// 0x20) separate tokens; double quotes are removed and protect the blanks between them; empty
// quoted pairs before a token are dropped; a token holds at most max_argument_length bytes.
// Returns the empty string only at the end of the line.
std::string next_token(const char*& position);

// The number of arguments after the program name.
std::size_t argument_count();

// Argument i: for 0 the full path of the running program, whatever the command line says; for
// i >= 1 the i-th argument after the program name, or the empty string when there are fewer.
std::string argument(std::size_t i);

// What follows prefix in the first argument, from argument first on, that begins with prefix
// (exact, case-sensitive). Empty when no argument matches.
std::string switch_value(const std::string& prefix, std::size_t first);

// Decodes the argument escapes: backtick-1 becomes a space, then backtick-0 a backtick. The
// second byte of a double-byte character (by the table build_lead_byte_table made) is never part
// of an escape.
std::string decode_argument_escapes(const std::string& text);

}  // namespace environment
