// argument_escapes_fuzz.cpp: the argument escapes over any bytes, against their two passes and
// against the callers' encoding.

#include "environment/arguments.h"
#include "tests/fuzz/fuzz_check.h"

// One pass: every pair, from the front and never overlapping, replaced by one byte.
static std::string replace_every(std::string text, const std::string& pair, char replacement)
{
    for (std::size_t at = text.find(pair); at != std::string::npos; at = text.find(pair, at + 1))
        text.replace(at, 2, 1, replacement);
    return text;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text = fuzz::bytes_of(data, size);
    const std::string decoded = environment::decode_argument_escapes(text);
    fuzz::require(decoded == replace_every(replace_every(text, "`1", ' '), "`0", '`'),
                  "backtick-1 becomes a space, then backtick-0 a backtick");
    // What a caller writes to pass text without quoting.
    std::string encoded;
    for (char byte : text)
        encoded += byte == '`' ? "`0" : byte == ' ' ? "`1" : std::string(1, byte);
    fuzz::require(environment::decode_argument_escapes(encoded) == text,
                  "decoding undoes the encoding");
    return 0;
}
