// message_escapes_fuzz.cpp: the message escapes over any bytes, against the rule and full escaping.

#include <cctype>

#include "launcher/messages.h"
#include "tests/fuzz/fuzz_check.h"

static bool hex(char byte) { return std::isxdigit(static_cast<unsigned char>(byte)) != 0; }

// The rule as written: the remainder loses its front at every step.
static std::string decode_by_cutting(std::string rest)
{
    std::string result;
    for (std::size_t at; (at = rest.find("<#")) != std::string::npos && at + 5 <= rest.size();) {
        result += rest.substr(0, at);
        rest.erase(0, at);
        const bool escape = rest[4] == '>' && hex(rest[2]) && hex(rest[3]);
        result += escape ? std::string(1, char(std::stoi(rest.substr(2, 2), nullptr, 16))) : "<#";
        rest.erase(0, escape ? 5 : 2);
    }
    return result + rest;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text = fuzz::bytes_of(data, size);
    fuzz::require(launcher::decode_message_escapes(text) == decode_by_cutting(text),
                  "decoding follows the rule step by step");
    // Every byte written as an escape, the case of its hexadecimal digits chosen by the byte, so
    // that every byte value and both cases are decoded on every run.
    std::string escaped;
    for (char byte : text) {
        const unsigned value = static_cast<unsigned char>(byte);
        const char* digits = value & 1 ? "0123456789abcdef" : "0123456789ABCDEF";
        escaped += {'<', '#', digits[value >> 4], digits[value & 15], '>'};
    }
    fuzz::require(launcher::decode_message_escapes(escaped) == text,
                  "escaping every byte and decoding gives the text back");
    return 0;
}
