// tokenizer_fuzz.cpp: the command line split into tokens, the argument count, argument access
// and the "/error=" search, over any bytes, checked against properties that hold for every line.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "environment/arguments.h"
#include "platform/fake.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

const std::size_t max_token = 65536;

bool is_blank(unsigned char byte) { return byte != 0 && byte <= 0x20; }

// The line as the platform hands it over: up to its first zero byte. Lines stay far below the
// length cap of one token: a line long enough to reach it costs some hundred times as much to
// check, and the cap has tests of its own.
std::string line_from(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    return text.substr(0, text.find('\0'));
}

// Every token of the line, the program name first, up to and excluding the first empty one.
std::vector<std::string> tokens_of(const std::string& line)
{
    std::vector<std::string> tokens;
    const char* position = line.c_str();
    for (;;) {
        std::string token = environment::next_token(position);
        fuzz::require(token.find('"') == std::string::npos, "no token holds a double quote");
        fuzz::require(token.size() <= max_token, "no token exceeds the cap");
        fuzz::require(token.empty() || !environment::decode_argument_escapes(token).empty(),
                      "a non-empty argument never decodes to empty");
        if (token.empty()) {
            fuzz::require(position == line.c_str() + line.size(),
                          "a token is empty only at the end of the line");
            return tokens;
        }
        tokens.push_back(token);
    }
}

// The text without blanks and double quotes: what tokenizing can neither add to nor lose.
std::string visible(const std::string& text)
{
    std::string kept;
    for (char byte : text)
        if (!is_blank(static_cast<unsigned char>(byte)) && byte != '"') kept += byte;
    return kept;
}

// Without double quotes, tokens are the blank-separated words, each cut into pieces at the cap.
std::vector<std::string> words_of(const std::string& line)
{
    std::vector<std::string> words;
    std::string word;
    for (std::size_t i = 0; i <= line.size(); ++i) {
        const bool end = i == line.size() || is_blank(static_cast<unsigned char>(line[i]));
        if (!end) word += line[i];
        if ((end && !word.empty()) || word.size() == max_token) {
            words.push_back(word);
            word.clear();
        }
    }
    return words;
}

void check_split(const std::string& line, const std::vector<std::string>& tokens)
{
    std::string joined;
    for (const std::string& token : tokens) joined += token;
    fuzz::require(visible(joined) == visible(line),
                  "tokens keep every byte but blanks outside quotes and double quotes");
    if (line.find('"') == std::string::npos)
        fuzz::require(tokens == words_of(line), "an unquoted line splits at its blanks");
}

std::string expected_switch(const std::vector<std::string>& tokens)
{
    for (std::size_t i = 2; i < tokens.size(); ++i)
        if (tokens[i].compare(0, 7, "/error=") == 0) return tokens[i].substr(7);
    return std::string();
}

// Argument access reads the line afresh each time; a few indices keep a run linear.
void check_access(const std::vector<std::string>& tokens)
{
    const std::size_t count = tokens.empty() ? 0 : tokens.size() - 1;
    fuzz::require(environment::argument_count() == count,
                  "the count is the number of tokens after the program name");
    fuzz::require(environment::argument(count + 1).empty(), "an argument past the count is empty");
    fuzz::require(environment::argument(count + 7).empty(), "an argument past the count is empty");
    for (std::size_t i : {std::size_t{1}, std::size_t{2}, count / 2, count}) {
        if (i == 0 || i > count) continue;
        fuzz::require(environment::argument(i) == tokens[i], "argument i is token i");
    }
    fuzz::require(environment::switch_value("/error=", 2) == expected_switch(tokens),
                  "the switch is the first match from argument 2 on");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string line = line_from(data, size);
    fake::reset();
    fake::set_command_line(line);
    const std::vector<std::string> tokens = tokens_of(line);
    check_split(line, tokens);
    check_access(tokens);
    return 0;
}
