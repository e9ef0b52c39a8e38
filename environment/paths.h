// paths.h: path splitting that respects double-byte character sets.
#pragma once

#include <cstddef>
#include <string>

namespace environment {

// Reads the system's double-byte support and the lead-byte ranges of its code page into the
// process-wide table that the delimiter search uses. Called once, before any path is split.
void build_lead_byte_table();

// Whether the table built last holds the byte value.
bool is_lead_byte(unsigned char byte);

// The position (from 1) of the last byte of text that is in delimiters and is not a trail byte;
// 0 when there is none.
std::size_t last_delimiter(const std::string& delimiters, const std::string& text);

// The path up to and including its last folder separator; empty when it has none.
std::string folder_of(const std::string& path);

// The path with its extension replaced by extension, or with extension appended when it has none.
std::string change_extension(const std::string& path, const std::string& extension);

}  // namespace environment
