// query_format.h: the query lines and result lines shared by the two INI readers' drivers.
//
// A query line holds tab-separated fields: file name, section, key, and optionally the buffer
// size (1,024 when absent) and the default value ("" when absent). A field may carry any byte as
// \xHH and a backslash as \\. A result line repeats the query as read and adds the count the
// reader returned and the bytes it stored, in hex.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace ini_query {

struct query {
    std::string file;
    std::string section;
    std::string key;
    unsigned long size = 1024;
    std::string default_value;
};

inline int hex_digit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

inline std::string unescape(const std::string& field)
{
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && field[i + 1] == 'x' &&
            hex_digit(field[i + 2]) >= 0 && hex_digit(field[i + 3]) >= 0) {
            out += static_cast<char>(hex_digit(field[i + 2]) * 16 + hex_digit(field[i + 3]));
            i += 3;
        } else if (field[i] == '\\' && i + 1 < field.size() && field[i + 1] == '\\') {
            out += '\\';
            ++i;
        } else {
            out += field[i];
        }
    }
    return out;
}

inline std::vector<std::string> split_tabs(const std::string& line)
{
    std::vector<std::string> fields(1);
    for (char c : line) {
        if (c == '\t')
            fields.emplace_back();
        else
            fields.back() += c;
    }
    return fields;
}

// Reads one query line without its line end; false when the line is not a query.
inline bool parse(const std::string& line, query& q)
{
    std::vector<std::string> fields = split_tabs(line);
    if (fields.size() < 3 || fields[0].empty()) return false;
    q.file = fields[0];
    q.section = unescape(fields[1]);
    q.key = unescape(fields[2]);
    q.size = fields.size() > 3 ? std::strtoul(fields[3].c_str(), nullptr, 10) : 1024;
    q.default_value = fields.size() > 4 ? unescape(fields[4]) : std::string();
    return true;
}

inline std::string hex(const std::string& bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char b : bytes) {
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

// The result line: the query line, the count, whether the byte after the value is the
// terminator, and the value bytes in hex.
inline std::string result_line(const std::string& query_line, unsigned long count, bool terminated,
                               const std::string& value)
{
    return query_line + "\t=" + std::to_string(count) + (terminated ? "" : "\tUNTERMINATED") +
           "\t" + hex(value) + "\n";
}

// Calls read(query, buffer) for every query line of the file at list_path and writes the result
// lines to stdout. read returns the count and fills the buffer, which has room for size bytes.
template <typename Reader>
int run_queries(const char* list_path, Reader read)
{
    std::FILE* list = std::fopen(list_path, "rb");
    if (!list) {
        std::fprintf(stderr, "cannot open %s\n", list_path);
        return 2;
    }
    std::string line;
    int c;
    while ((c = std::fgetc(list)) != EOF || !line.empty()) {
        if (c != '\n' && c != EOF) {
            if (c != '\r') line += static_cast<char>(c);
            continue;
        }
        query q;
        if (parse(line, q)) {
            std::vector<char> buffer(q.size + 16, '\xAA');
            unsigned long count = read(q, buffer.data());
            bool terminated = q.size == 0 || (count < q.size && buffer[count] == '\0');
            std::string value(buffer.data(), count < q.size ? count : q.size);
            std::string out = result_line(line, count, terminated, value);
            std::fwrite(out.data(), 1, out.size(), stdout);
        }
        line.clear();
        if (c == EOF) break;
    }
    std::fclose(list);
    return 0;
}

}  // namespace ini_query
