// arguments.cpp: splits the command line into arguments and decodes the argument escapes.

#include "environment/arguments.h"

#include "platform/platform.h"

namespace environment {

namespace {

// Caps one argument; the platform's command line never comes near it.
const std::size_t max_argument_length = 65536;

bool is_blank(unsigned char byte) { return byte != 0 && byte <= 0x20; }

// Steps over blanks and over empty quoted pairs standing before a token.
void skip_to_token(const char*& position)
{
    for (;;) {
        while (is_blank(static_cast<unsigned char>(*position))) ++position;
        if (position[0] != '"' || position[1] != '"') return;
        position += 2;
    }
}

// Copies the quoted run after an opening quote, blanks included, and steps over its closing
// quote if there is one.
void collect_quoted(const char*& position, std::string& token)
{
    ++position;
    while (*position != 0 && *position != '"' && token.size() < max_argument_length)
        token += *position++;
    if (*position == '"') ++position;
}

// Replaces every occurrence of the two-byte pattern by one byte, scanning left to right.
std::string replace_pairs(const std::string& text, const char (&pattern)[3], char replacement)
{
    std::string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == pattern[0] && i + 1 < text.size() && text[i + 1] == pattern[1]) {
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
    skip_to_token(position);
    std::string token;
    while (static_cast<unsigned char>(*position) > 0x20 && token.size() < max_argument_length) {
        if (*position == '"')
            collect_quoted(position, token);
        else
            token += *position++;
    }
    return token;
}

std::size_t argument_count()
{
    const char* position = platform::command_line();
    next_token(position);
    std::size_t count = 0;
    while (!next_token(position).empty()) ++count;
    return count;
}

std::string argument(std::size_t i)
{
    if (i == 0) return platform::module_file_name();
    const char* position = platform::command_line();
    next_token(position);
    std::string token;
    for (std::size_t n = 1; n <= i; ++n) {
        token = next_token(position);
        if (token.empty()) break;
    }
    return token;
}

// One walk over the tokens, so that a long command line costs linear time.
std::string switch_value(const std::string& prefix, std::size_t first)
{
    const char* position = platform::command_line();
    next_token(position);
    std::size_t index = 0;
    for (std::string token = next_token(position); !token.empty(); token = next_token(position)) {
        if (++index >= first && token.compare(0, prefix.size(), prefix) == 0)
            return token.substr(prefix.size());
    }
    return std::string();
}

std::string decode_argument_escapes(const std::string& text)
{
    return replace_pairs(replace_pairs(text, "`1", ' '), "`0", '`');
}

}  // namespace environment
