// arguments.cpp: splits the command line into arguments and decodes the argument escapes.

#include "environment/arguments.h"

#include "environment/paths.h"
#include "platform/platform.h"

namespace environment {

namespace {

bool is_blank(unsigned char byte) { return byte != 0 && byte <= 0x20; }

// Where the token after position starts: past blanks and the empty quoted pairs before it.
const char* token_start(const char* position)
{
    for (;;) {
        while (is_blank(static_cast<unsigned char>(*position))) ++position;
        if (position[0] != '"' || position[1] != '"') return position;
        position += 2;
    }
}

// Walks the token after position and moves position past it, handing the runs of its bytes
// between double quotes to take(run, length). A double quote opens or closes quoting and is
// dropped; the token ends at the end of the line, at a blank outside quotes (which it steps
// over), or when it has max_argument_length bytes. Returns the token's length, which is 0 only at
// the end of the line.
template <typename Take>
std::size_t walk_token(const char*& position, Take take)
{
    const char* next = token_start(position);
    const char* run = next;
    std::size_t length = 0;
    bool quoted = false;
    for (; length < max_argument_length; ++next) {
        const unsigned char byte = static_cast<unsigned char>(*next);
        if (byte == '"') {
            take(run, static_cast<std::size_t>(next - run));
            run = next + 1;
            quoted = !quoted;
            continue;
        }
        if (byte > 0x20 || (quoted && byte != 0)) {
            ++length;
            continue;
        }
        if (byte == 0) break;
        take(run, static_cast<std::size_t>(next - run));
        position = next + 1;
        return length;
    }
    take(run, static_cast<std::size_t>(next - run));
    // A token cut inside quotes still loses the closing quote right after the cut.
    if (quoted && *next == '"') ++next;
    position = next;
    return length;
}

// Steps over the token at position without copying it. Returns its length, 0 at the end.
std::size_t skip_token(const char*& position)
{
    return walk_token(position, [](const char*, std::size_t) {});
}

// Replaces every occurrence of the two-byte pattern by one byte, scanning left to right. The
// second byte of a double-byte character may be a backtick (in code page 932, ～ is 81 60): it is
// copied with its lead byte, never read as the start of an escape.
std::string replace_pairs(const std::string& text, const char (&pattern)[3], char replacement)
{
    std::string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (is_lead_byte(static_cast<unsigned char>(text[i])) && i + 1 < text.size()) {
            result.append(text, i, 2);
            ++i;
        } else if (text[i] == pattern[0] && i + 1 < text.size() && text[i + 1] == pattern[1]) {
            result += replacement;
            ++i;
        } else {
            result += text[i];
        }
    }
    return result;
}

}  // namespace

std::string next_token(const char*& position)
{
    std::string token;
    walk_token(position, [&token](const char* run, std::size_t size) { token.append(run, size); });
    return token;
}

std::size_t argument_count()
{
    const char* position = platform::command_line();
    skip_token(position);
    std::size_t count = 0;
    while (skip_token(position) != 0) ++count;
    return count;
}

std::string argument(std::size_t i)
{
    if (i == 0) return platform::module_file_name();
    const char* position = platform::command_line();
    skip_token(position);
    for (std::size_t n = 1; n < i; ++n)
        if (skip_token(position) == 0) return std::string();
    return next_token(position);
}

// One walk over the tokens, so that a long command line costs linear time. Only a token long
// enough to begin with the prefix is read again, as a copy, to compare it.
std::string switch_value(const std::string& prefix, std::size_t first)
{
    const char* position = platform::command_line();
    skip_token(position);
    for (std::size_t index = 1;; ++index) {
        const char* start = position;
        const std::size_t length = skip_token(position);
        if (length == 0) return std::string();
        if (index < first || length < prefix.size()) continue;
        const std::string token = next_token(start);
        if (token.compare(0, prefix.size(), prefix) == 0) return token.substr(prefix.size());
    }
}

std::string decode_argument_escapes(const std::string& text)
{
    return replace_pairs(replace_pairs(text, "`1", ' '), "`0", '`');
}

}  // namespace environment
