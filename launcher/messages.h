// messages.h: the texts the launcher shows the user.
#pragma once

#include <cstdint>
#include <string>

namespace launcher {

// Decodes the message escapes: "<#" two hexadecimal digits ">" becomes that byte. Anything else,
// including a malformed escape, is kept as it is; a decoded byte is never examined again.
std::string decode_message_escapes(const std::string& text);

// The 29-character run-time stop report "Runtime error     at 00000000" with code in decimal,
// its units digit one blank before "at", and location in eight uppercase hexadecimal digits.
// Written into report (zero-terminated) so that it needs no memory from the heap.
void runtime_error_report(unsigned long code, std::uint32_t location, char (&report)[30]);

}  // namespace launcher
