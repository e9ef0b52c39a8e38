// posix_command_line.cpp: argv joined into the command line that the tokenizer reads back (see
// posix_command_line.h).

#include "platform/posix/posix_command_line.h"

#include <algorithm>
#include <cstring>

#include "platform/platform.h"

namespace platform::posix {

namespace {

// Writes one argv element at out as one command-line token: its double quotes dropped, as the
// tokenizer would drop them; cut at the tokenizer's longest argument, so that the excess cannot
// spill into the next argument; in quotes when it holds a blank. Returns the end of the token,
// out itself when nothing is left of the element.
char* write_token(const char* element, char* out)
{
    char* end = out;
    char* const limit = out + max_argument_length;
    bool blank = false;
    for (const char* p = element; *p != 0 && end != limit; ++p) {
        if (*p == '"') continue;
        blank |= static_cast<unsigned char>(*p) <= 0x20;
        *end++ = *p;
    }
    if (!blank) return end;
    std::memmove(out + 1, out, static_cast<std::size_t>(end - out));
    *out = '"';
    end[1] = '"';
    return end + 2;
}

// The room the command line can need: each element's bytes with a blank and two quotes, and the
// default program name.
std::size_t line_room(int argc, const char* const* argv)
{
    std::size_t room = sizeof "mailto" + 3 * static_cast<std::size_t>(argc);
    for (int i = 0; i < argc; ++i) room += std::strlen(argv[i]);
    return room;
}

}  // namespace

// The program name comes first even when argv[0] is empty, so that argument 1 stays argument 1.
// The line is written in place into a string made large enough at once, then cut to its length.
std::string command_line_from(int argc, const char* const* argv)
{
    std::string line(line_room(argc, argv), '\0');
    char* const start = &line[0];
    char* end = argc > 0 ? write_token(argv[0], start) : start;
    if (end == start) end = std::copy_n("mailto", 6, end);
    for (int i = 1; i < argc; ++i) {
        *end = ' ';
        char* const token_end = write_token(argv[i], end + 1);
        if (token_end != end + 1) end = token_end;
    }
    line.resize(static_cast<std::size_t>(end - start));
    return line;
}

}  // namespace platform::posix
