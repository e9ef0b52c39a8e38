// dialog_text.cpp: a message as the desktop's dialog programs are given it (see dialog_text.h).

#include "platform/posix/dialog_text.h"

#include <cstddef>

namespace platform {

namespace {

const char replacement_character[] = "\xEF\xBF\xBD";

unsigned char byte_at(const std::string& text, std::size_t at)
{
    return static_cast<unsigned char>(text[at]);
}

// How many bytes the UTF-8 sequence that lead starts holds; 0 for a byte that starts none.
std::size_t sequence_length(unsigned char lead)
{
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) return 2;
    if (lead >= 0xE0 && lead <= 0xEF) return 3;
    if (lead >= 0xF0 && lead <= 0xF4) return 4;
    return 0;
}

// Whether next may follow lead as the second byte: the narrower ranges after E0, ED, F0 and F4
// shut out overlong forms, surrogates and code points beyond U+10FFFF.
bool fits_second(unsigned char lead, unsigned char next)
{
    const unsigned char low = lead == 0xE0 ? 0xA0 : lead == 0xF0 ? 0x90 : 0x80;
    const unsigned char high = lead == 0xED ? 0x9F : lead == 0xF4 ? 0x8F : 0xBF;
    return next >= low && next <= high;
}

// How many bytes from at begin a well-formed sequence of the given length: the lead byte and as
// many fitting bytes after it as there are, at most length.
std::size_t well_formed_start(const std::string& text, std::size_t at, std::size_t length)
{
    std::size_t taken = 1;
    while (taken < length && at + taken < text.size()) {
        const unsigned char next = byte_at(text, at + taken);
        const bool fits =
            taken == 1 ? fits_second(byte_at(text, at), next) : next >= 0x80 && next <= 0xBF;
        if (!fits) break;
        ++taken;
    }
    return taken;
}

}  // namespace

std::string one_line_break_each(const std::string& text)
{
    std::string result;
    result.reserve(text.size());
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (text[at] != '\r') {
            result += text[at];
            continue;
        }
        result += '\n';
        if (at + 1 < text.size() && text[at + 1] == '\n') ++at;
    }
    return result;
}

std::string valid_utf8(const std::string& text)
{
    std::string result;
    result.reserve(text.size());
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t length = sequence_length(byte_at(text, at));
        const std::size_t taken = well_formed_start(text, at, length);
        if (taken == length)
            result.append(text, at, length);
        else
            result += replacement_character;
        at += taken;
    }
    return result;
}

std::string dialog_text(const std::string& text) { return valid_utf8(one_line_break_each(text)); }

std::string readable_text(const std::string& text, std::size_t limit)
{
    if (text.size() <= limit) return text;
    std::size_t end = limit;
    while (end > 0 && (byte_at(text, end) & 0xC0) == 0x80) --end;
    return text.substr(0, end) + "\n\xE2\x80\xA6";
}

std::string kdialog_text(const std::string& text)
{
    std::string rich = "<qt style=\"white-space:pre-wrap\">";
    for (const char c : text) {
        if (c == '&')
            rich += "&amp;";
        else if (c == '<')
            rich += "&lt;";
        else if (c == '>')
            rich += "&gt;";
        else if (c == '\\')
            rich += "\\\\";
        else
            rich += c;
    }
    return rich + "</qt>";
}

}  // namespace platform
