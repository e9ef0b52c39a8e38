// posix_command_line.h: the POSIX build's argv written as the one command line that the portable
// tokenizer reads, so that argument i reads back as argv[i].
#pragma once

#include <string>

namespace platform::posix {

// The line that argv[0..argc) makes: each element a token, in double quotes when it holds a blank
// (byte 0x01 to 0x20), its own double quotes dropped, cut at max_argument_length bytes; an element
// that is empty then is left out, and an empty or missing argv[0] reads "mailto". Read back by
// environment::next_token, the tokens equal the elements so treated. Never fails but for memory.
std::string command_line_from(int argc, const char* const* argv);

}  // namespace platform::posix
