// argument_escapes_fuzz.cpp: the argument escapes over any bytes: decoding never lengthens,
// never empties a non-empty argument, keeps text without a backtick, and undoes the callers'
// encoding.

#include <cstddef>
#include <cstdint>
#include <string>

#include "environment/arguments.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

// What a caller writes to pass text without quoting: a backtick as backtick-0, a space as
// backtick-1.
std::string encode(const std::string& text)
{
    std::string encoded;
    for (char byte : text) {
        if (byte == '`')
            encoded += "`0";
        else if (byte == ' ')
            encoded += "`1";
        else
            encoded += byte;
    }
    return encoded;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::string decoded = environment::decode_argument_escapes(text);
    fuzz::require(decoded.size() <= text.size(), "decoding never lengthens");
    fuzz::require(text.empty() || !decoded.empty(), "a non-empty argument never decodes to empty");
    if (text.find('`') == std::string::npos)
        fuzz::require(decoded == text, "text without a backtick stays unchanged");
    const std::string encoded = encode(text);
    fuzz::require(environment::decode_argument_escapes(encoded) == text,
                  "decoding undoes the encoding");
    return 0;
}
