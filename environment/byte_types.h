// byte_types.h: which bytes of a path are lead and trail bytes of double-byte characters, as the
// delimiter search of paths.h reads them; declared apart for the unit tests and the fuzzer.
#pragma once

#include <cstddef>
#include <string>

namespace environment {

enum class byte_type { single, lead, trail };

// The type of the byte at position (counted from 1, at most text's size) in text, by the table
// build_lead_byte_table made: a trail byte is the second byte of a double-byte character. Every
// byte is single when the system has no double-byte support.
byte_type byte_type_at(const std::string& text, std::size_t position);

}  // namespace environment
