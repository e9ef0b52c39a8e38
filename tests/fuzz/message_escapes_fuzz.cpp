// message_escapes_fuzz.cpp: the message escapes over any bytes, against the step-by-step rule
// that cuts the front off the remainder, and against the escaping of every byte.

#include <cstddef>
#include <cstdint>
#include <string>

#include "launcher/messages.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

int digit_value(char digit)
{
    if (digit >= '0' && digit <= '9') return digit - '0';
    if (digit >= 'A' && digit <= 'F') return digit - 'A' + 10;
    if (digit >= 'a' && digit <= 'f') return digit - 'a' + 10;
    return -1;
}

// The rule word for word: positions from 1 in the shrinking remainder, which loses its front
// at every step.
std::string decode_by_cutting(std::string rest)
{
    std::string result;
    std::size_t p = rest.find("<#") + 1;  // 0 when there is none
    while (p > 0 && p + 4 <= rest.size()) {
        result += rest.substr(0, p - 1);
        rest.erase(0, p - 1);
        const int high = digit_value(rest[2]), low = digit_value(rest[3]);
        if (rest[4] == '>' && high >= 0 && low >= 0) {
            result += static_cast<char>(16 * high + low);
            rest.erase(0, 5);
        } else {
            result += "<#";
            rest.erase(0, 2);
        }
        p = rest.find("<#") + 1;
    }
    return result + rest;
}

// Every byte written as an escape, with the case of the hexadecimal digits chosen by the byte.
std::string escape_every_byte(const std::string& text)
{
    std::string escaped;
    for (char byte : text) {
        const unsigned value = static_cast<unsigned char>(byte);
        const char* digits = value & 1 ? "0123456789abcdef" : "0123456789ABCDEF";
        escaped += "<#";
        escaped += digits[value >> 4];
        escaped += digits[value & 15];
        escaped += '>';
    }
    return escaped;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::string decoded = launcher::decode_message_escapes(text);
    fuzz::require(decoded.size() <= text.size(), "decoding never lengthens");
    fuzz::require((text.size() - decoded.size()) % 4 == 0, "each escape shortens by four");
    if (text.find("<#") == std::string::npos)
        fuzz::require(decoded == text, "text without \"<#\" stays unchanged");
    fuzz::require(decoded == decode_by_cutting(text), "decoding follows the rule step by step");
    fuzz::require(launcher::decode_message_escapes(escape_every_byte(text)) == text,
                  "escaping every byte and decoding gives the text back");
    return 0;
}
