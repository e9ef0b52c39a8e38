// messages.cpp: the message escapes of the failure text and the run-time stop report.

#include "launcher/messages.h"

#include <cstring>

namespace launcher {

namespace {

// The value of a hexadecimal digit, or -1 for any other byte.
int hex_value(char digit)
{
    if (digit >= '0' && digit <= '9') return digit - '0';
    if (digit >= 'A' && digit <= 'F') return digit - 'A' + 10;
    if (digit >= 'a' && digit <= 'f') return digit - 'a' + 10;
    return -1;
}

}  // namespace

// Walks the text with a cursor instead of cutting the front off, so that the cost stays linear;
// the escapes found and the bytes kept are those of cutting the remainder step by step.
std::string decode_message_escapes(const std::string& text)
{
    std::string result;
    std::size_t rest = 0;
    std::size_t escape = text.find("<#", rest);
    while (escape != std::string::npos && escape + 5 <= text.size()) {
        result.append(text, rest, escape - rest);
        const int high = hex_value(text[escape + 2]);
        const int low = hex_value(text[escape + 3]);
        if (text[escape + 4] == '>' && high >= 0 && low >= 0) {
            result += static_cast<char>(16 * high + low);
            rest = escape + 5;
        } else {
            result += "<#";
            rest = escape + 2;
        }
        escape = text.find("<#", rest);
    }
    result.append(text, rest, std::string::npos);
    return result;
}

void runtime_error_report(unsigned long code, std::uint32_t location, char (&report)[30])
{
    std::memcpy(report, "Runtime error     at 00000000", sizeof report);
    // The units digit stands one blank before "at"; a long code runs back into the words.
    int digit = 16;
    do {
        report[digit--] = static_cast<char>('0' + code % 10);
        code /= 10;
    } while (code != 0 && digit >= 0);
    for (int i = 28; i >= 21; --i, location >>= 4) report[i] = "0123456789ABCDEF"[location & 0xF];
}

}  // namespace launcher
