// posix_ini.cpp: the INI reader of the POSIX build; one pass over the text, no tree kept.
#include "platform/posix/posix_ini.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string_view>
#include <vector>

namespace platform {

namespace {

// Files beyond any sensible settings file are read only this far, so that a wrong path to a
// huge file cannot exhaust memory.
const std::size_t max_file_bytes = std::size_t{64} * 1024 * 1024;

bool is_blank(unsigned char c) { return (c >= 0x09 && c <= 0x0D) || c == 0x1A || c == ' '; }

std::string_view trim_left(std::string_view text)
{
    std::size_t start = 0;
    while (start < text.size() && is_blank(static_cast<unsigned char>(text[start]))) ++start;
    return text.substr(start);
}

std::string_view trim_right(std::string_view text)
{
    std::size_t end = text.size();
    while (end > 0 && is_blank(static_cast<unsigned char>(text[end - 1]))) --end;
    return text.substr(0, end);
}

std::string_view trim(std::string_view text) { return trim_right(trim_left(text)); }

std::string_view up_to_zero(std::string_view text) { return text.substr(0, text.find('\0')); }

unsigned char lower(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}

// A stored name ends at its first zero byte; wanted has none.
bool same_name(std::string_view name, std::string_view wanted)
{
    name = up_to_zero(name);
    if (name.size() != wanted.size()) return false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (lower(static_cast<unsigned char>(name[i])) !=
            lower(static_cast<unsigned char>(wanted[i])))
            return false;
    }
    return true;
}

void append_utf8(std::string& out, unsigned long code)
{
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

unsigned long unit_at(std::string_view bytes, std::size_t i, bool big_endian)
{
    unsigned long first = static_cast<unsigned char>(bytes[i]);
    unsigned long second = static_cast<unsigned char>(bytes[i + 1]);
    return big_endian ? (first << 8 | second) : (second << 8 | first);
}

// UTF-16 text (an odd last byte ignored) as UTF-8; an unpaired surrogate becomes U+FFFD.
std::string utf16_to_utf8(std::string_view bytes, bool big_endian)
{
    std::string out;
    out.reserve(bytes.size());
    const std::size_t units = bytes.size() / 2;
    for (std::size_t u = 0; u < units; ++u) {
        unsigned long code = unit_at(bytes, 2 * u, big_endian);
        if (code >= 0xD800 && code <= 0xDBFF && u + 1 < units) {
            unsigned long low = unit_at(bytes, 2 * u + 2, big_endian);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                append_utf8(out, 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00));
                ++u;
                continue;
            }
        }
        append_utf8(out, (code >= 0xD800 && code <= 0xDFFF) ? 0xFFFD : code);
    }
    return out;
}

// The text of the file after its byte-order mark; converted holds it when it had to change.
std::string_view text_of(const std::string& contents, std::string& converted)
{
    std::string_view bytes(contents);
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") return bytes.substr(3);
    if (bytes.substr(0, 2) == "\xFF\xFE" || bytes.substr(0, 2) == "\xFE\xFF") {
        converted = utf16_to_utf8(bytes.substr(2), bytes[0] == '\xFE');
        return converted;
    }
    return bytes;
}

// The next line from position on, without its end; false after the last one.
bool next_line(std::string_view text, std::size_t& position, std::string_view& line)
{
    if (position >= text.size()) return false;
    std::size_t end = text.find_first_of("\r\n", position);
    if (end == std::string_view::npos) end = text.size();
    line = text.substr(position, end - position);
    position = end + 1;
    return true;
}

// Whether the trimmed line is a section header; name gets its trimmed name.
bool section_header(std::string_view line, std::string_view& name)
{
    if (line.empty() || line[0] != '[') return false;
    std::size_t close = line.rfind(']');
    if (close == std::string_view::npos) return false;
    name = trim(line.substr(1, close - 1));
    return true;
}

// Finds the value of key in the first section named section. False when there is none, or
// when the key that matches first has no "=".
bool find_value(std::string_view text, std::string_view section, std::string_view key,
                std::string_view& value)
{
    bool in_section = section.empty();  // the lines before the first header
    std::size_t position = 0;
    std::string_view line;
    while (next_line(text, position, line)) {
        line = trim(line);
        std::string_view name;
        if (line.empty()) continue;
        if (section_header(line, name)) {
            if (in_section) return false;
            in_section = same_name(name, section);
            continue;
        }
        if (!in_section) continue;
        std::size_t equals = line.find('=');
        if (!same_name(trim_right(line.substr(0, equals)), key)) continue;
        if (equals == std::string_view::npos) return false;
        value = trim_left(line.substr(equals + 1));
        return true;
    }
    return false;
}

// The value as the buffer of size bytes receives it, without its enclosing quotes. When the text
// after the opening quote is exactly size bytes long, the Windows reader cuts off the closing
// quote by the size and then drops one more byte as if it were the quote; so does this, since
// both builds read the same files.
std::string stored_value(std::string_view value, std::size_t size)
{
    if (size == 0) return std::string();
    value = up_to_zero(value);
    bool quoted =
        value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0];
    if (quoted) value.remove_prefix(1);
    std::string stored(value.substr(0, size - 1));
    if (quoted && size >= value.size() && !stored.empty()) stored.pop_back();
    return stored;
}

// The default without its trailing spaces; its first byte stays, as on Windows.
std::string_view trimmed_default(std::string_view default_value)
{
    default_value = up_to_zero(default_value);
    std::size_t end = default_value.size();
    while (end > 1 && default_value[end - 1] == ' ') --end;
    return default_value.substr(0, end);
}

// The first max_file_bytes of the regular file at path; empty when there is no such file.
std::string file_contents(const std::string& path)
{
    // Not blocking: a pipe or device named like the file must not hang the read.
    int fd = open(path.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return std::string();
    std::string contents;
    struct stat status;
    if (fstat(fd, &status) == 0 && S_ISREG(status.st_mode)) {
        // On the heap: the run must fit the smallest stack the command-line route fits.
        std::vector<char> chunk(65536);
        while (contents.size() < max_file_bytes) {
            ssize_t got = read(fd, chunk.data(), chunk.size());
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) break;
            contents.append(chunk.data(), static_cast<std::size_t>(got));
        }
        if (contents.size() > max_file_bytes) contents.resize(max_file_bytes);
    }
    close(fd);
    return contents;
}

}  // namespace

std::string read_ini_value(const std::string& contents, const std::string& section,
                           const std::string& key, const std::string& default_value,
                           std::size_t size)
{
    std::string converted;
    std::string_view text = text_of(contents, converted);
    std::string_view value;
    if (find_value(text, trim(up_to_zero(section)), trim(up_to_zero(key)), value))
        return stored_value(value, size);
    return stored_value(trimmed_default(default_value), size);
}

std::string read_ini_file_value(const std::string& path, const std::string& section,
                                const std::string& key, const std::string& default_value,
                                std::size_t size)
{
    return read_ini_value(file_contents(path), section, key, default_value, size);
}

}  // namespace platform
