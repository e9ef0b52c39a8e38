// tokenizer_fuzz.cpp: the command line split into tokens, the argument count, argument access
// and the "/error=" search, over any bytes, against the splitting rule written as a quote toggle.

#include <vector>

#include "environment/arguments.h"
#include "platform/fake.h"
#include "tests/fuzz/fuzz_check.h"

static bool is_blank(char byte) { return byte != 0 && static_cast<unsigned char>(byte) <= 0x20; }

// Tokens end at a blank outside quotes; quotes switch quoting on and off; empty quoted pairs before
// a token are dropped. Lines stay far below the cap on a token's length, tested elsewhere.
static std::vector<std::string> expected_tokens(const std::string& line)
{
    std::vector<std::string> tokens;
    std::size_t i = 0;
    for (;;) {
        while (i < line.size() && (is_blank(line[i]) || line.compare(i, 2, "\"\"") == 0))
            i += is_blank(line[i]) ? 1 : 2;
        std::string token;
        for (bool quoted = false; i < line.size() && (quoted || !is_blank(line[i])); ++i) {
            quoted ^= line[i] == '"';
            if (line[i] != '"') token += line[i];
        }
        if (token.empty()) return tokens;
        tokens.push_back(token);
    }
}

// Every token next_token gives, the program name first, up to the first empty one.
static std::vector<std::string> tokens_of(const std::string& line)
{
    std::vector<std::string> tokens;
    const char* position = line.c_str();
    for (std::string token; !(token = environment::next_token(position)).empty();)
        tokens.push_back(token);
    fuzz::require(position == line.c_str() + line.size(),
                  "a token is empty only at the end of the line");
    return tokens;
}

// Argument access reads the line afresh each time; a few indices keep a run linear.
static void check_access(const std::vector<std::string>& tokens)
{
    const std::size_t count = tokens.empty() ? 0 : tokens.size() - 1;
    fuzz::require(environment::argument_count() == count,
                  "the count is the number of tokens after the program name");
    for (std::size_t i : {std::size_t{1}, std::size_t{2}, count / 2, count, count + 1, count + 7})
        if (i > 0)
            fuzz::require(environment::argument(i) == (i <= count ? tokens[i] : std::string()),
                          "argument i is token i, and empty past the count");
    std::string expected_switch;  // searched from the back, the first match is found last
    for (std::size_t i = tokens.size(); i-- > 2;)
        if (tokens[i].compare(0, 7, "/error=") == 0) expected_switch = tokens[i].substr(7);
    fuzz::require(environment::switch_value("/error=", 2) == expected_switch,
                  "the switch is the first match from argument 2 on");
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The line as the platform hands it over: up to its first zero byte.
    const std::string line = fuzz::bytes_of(data, size).c_str();
    fake::reset();
    fake::set_command_line(line);
    const std::vector<std::string> tokens = tokens_of(line);
    fuzz::require(tokens == expected_tokens(line), "the line splits into tokens by the rule");
    check_access(tokens);
    return 0;
}
