// posix_command_line.cpp: argv joined into the command line that the tokenizer reads back (see
// posix_command_line.h).

#include "platform/posix/posix_command_line.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "platform/platform.h"

namespace platform::posix {

namespace {

// Room for any one token: the longest argument, its two quotes and the blank before it.
const std::size_t token_room = max_argument_length + 3;

// Writes one argv element at out as one command-line token: its double quotes dropped, as the
// tokenizer would drop them; cut at the tokenizer's longest argument, so that the excess cannot
// spill into the next argument; in quotes when it holds a blank. Returns the end of the token,
// out itself when nothing is left of the element. Inline: a call for each of the worst case's
// one-byte elements costs a tenth of the run (bench/bench.py counts the instructions).
inline char* write_token(const char* element, char* out)
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

// A buffer of twice room bytes that holds the bytes from line to end; room is doubled, and end
// moved into the new buffer.
std::unique_ptr<char[]> grown(const char* line, char*& end, std::size_t& room)
{
    room *= 2;
    std::unique_ptr<char[]> bigger(new char[room]);
    const std::size_t length = static_cast<std::size_t>(end - line);
    std::memcpy(bigger.get(), line, length);
    end = bigger.get() + length;
    return bigger;
}

}  // namespace

// The program name comes first even when argv[0] is empty, so that argument 1 stays argument 1.
// Each byte is read once, as it is written: the buffer keeps room for one more token of any length
// ahead of the line and is not cleared first, for a worst-case argv is mostly one-byte elements,
// where a pass to measure them or to clear the line would cost as much as writing it.
std::string command_line_from(int argc, const char* const* argv)
{
    std::size_t room = 2 * token_room;
    std::unique_ptr<char[]> line(new char[room]);
    char* end = argc > 0 ? write_token(argv[0], line.get()) : line.get();
    if (end == line.get()) end = std::copy_n("mailto", 6, end);
    const char* full = line.get() + room - token_room;
    for (int i = 1; i < argc; ++i) {
        if (end > full) {
            line = grown(line.get(), end, room);
            full = line.get() + room - token_room;
        }
        *end = ' ';
        char* const token_end = write_token(argv[i], end + 1);
        if (token_end != end + 1) end = token_end;
    }
    return std::string(line.get(), end);
}

}  // namespace platform::posix
