// generate.cpp: writes a seeded, repeatable corpus of INI files and the queries to ask of them.
// Usage: generate <folder> <seed> <file count>; writes gen000.ini ... and queries.txt there.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// A small generator with a fixed definition, so that every platform writes the same corpus.
std::uint64_t state = 1;

std::uint32_t next_random()
{
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<std::uint32_t>(state >> 33);
}

std::size_t pick(std::size_t count) { return next_random() % count; }

bool chance(unsigned percent) { return pick(100) < percent; }

const std::vector<std::string> section_names = {"EMAIL", "Other", "", "E MAIL", "email2"};
const std::vector<std::string> key_names = {"Address", "Subject", "Error",    "Name",
                                            "A",       "key two", ";Address", ""};

// A byte a user might type, or, in files without a byte-order mark, any byte at all.
char random_byte(bool ascii_only)
{
    static const std::string typed = "abcXYZ019 @.-_=[]\"';\t";
    if (ascii_only)
        return chance(80) ? typed[pick(typed.size())] : static_cast<char>(1 + pick(127));
    if (chance(80)) return typed[pick(typed.size())];
    return static_cast<char>(pick(256));
}

std::string random_text(std::size_t length, bool ascii_only)
{
    std::string text;
    for (std::size_t i = 0; i < length; ++i) {
        char c = random_byte(ascii_only);
        if (c != '\n' && c != '\r') text += c;
    }
    return text;
}

std::string blanks()
{
    static const std::string blank = " \t\v\f\x1a";
    std::string out;
    std::size_t count = chance(60) ? 0 : 1 + pick(3);
    for (std::size_t i = 0; i < count; ++i) out += blank[pick(blank.size())];
    return out;
}

std::string random_case(const std::string& name)
{
    std::string out = name;
    for (char& c : out) {
        if (chance(30) && ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))) c ^= 0x20;
    }
    return out;
}

std::string random_value(bool ascii_only)
{
    std::size_t length = chance(5) ? 900 + pick(300) : pick(12);
    std::string value = random_text(length, ascii_only);
    if (chance(25)) {
        std::string quote = chance(50) ? "\"" : "'";
        value = quote + value + (chance(80) ? quote : std::string());
    }
    return value;
}

std::string section_line(bool ascii_only)
{
    std::string name = chance(90) ? random_case(section_names[pick(section_names.size())])
                                  : random_text(pick(6), ascii_only);
    std::string line = blanks() + "[" + blanks() + name + blanks();
    if (chance(90)) line += "]";
    if (chance(10)) line += random_text(pick(6), ascii_only);
    return line;
}

std::string key_line(bool ascii_only)
{
    std::string name = chance(90) ? random_case(key_names[pick(key_names.size())])
                                  : random_text(pick(6), ascii_only);
    std::string line = blanks() + name + blanks();
    if (chance(90)) line += "=" + blanks() + random_value(ascii_only) + blanks();
    return line;
}

std::string random_line(bool ascii_only)
{
    std::size_t kind = pick(100);
    if (kind < 20) return section_line(ascii_only);
    if (kind < 85) return key_line(ascii_only);
    if (kind < 92) return blanks();
    return ";" + random_text(pick(20), ascii_only);
}

std::string line_end(std::size_t style)
{
    static const char* const ends[] = {"\n", "\r\n", "\r"};
    return ends[style < 3 ? style : pick(3)];
}

std::string utf16(const std::string& ascii, bool big_endian)
{
    std::string out = big_endian ? "\xFE\xFF" : "\xFF\xFE";
    for (char c : ascii) {
        out += big_endian ? std::string(1, '\0') + c : std::string(1, c) + '\0';
    }
    return out;
}

// One file's bytes: ANSI mostly, sometimes with a UTF-8 or UTF-16 byte-order mark (then its
// text is ASCII, since the two readers hand other characters back in different encodings).
std::string random_file()
{
    std::size_t encoding = pick(20);
    bool ascii_only = encoding >= 14;
    std::size_t style = pick(4);
    std::string text;
    std::size_t lines = pick(25);
    for (std::size_t i = 0; i < lines; ++i) text += random_line(ascii_only) + line_end(style);
    if (chance(50) && !text.empty()) text.pop_back();
    if (encoding >= 18) return utf16(text, encoding == 19);
    return (encoding >= 14 ? "\xEF\xBB\xBF" : "") + text;
}

std::string escaped(const std::string& field)
{
    std::string out;
    char hex[5];
    for (unsigned char c : field) {
        if (c < 0x20 || c >= 0x7F || c == '\\') {
            std::snprintf(hex, sizeof hex, "\\x%02x", c);
            out += hex;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

std::string queries_for(const std::string& file)
{
    std::string out;
    for (const std::string& section : section_names) {
        for (const std::string& key : key_names) {
            out += file + "\t" + escaped(blanks() + random_case(section) + blanks()) + "\t" +
                   escaped(blanks() + random_case(key) + blanks());
            if (chance(5)) out += "\t" + std::to_string(1 + pick(12));
            out += "\n";
        }
    }
    return out;
}

bool write_file(const std::string& path, const std::string& bytes)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

// A file with a line of 100,000 bytes in each place a line can be long.
std::string long_lines_file()
{
    std::string huge(100000, 'x');
    return "[EMAIL]\r\nAddress=" + huge + "\r\n" + huge + "\r\n[" + huge + "]\r\nSubject=s\r\n" +
           "Error=\"" + huge + "\"\r\n" + huge + "=v\r\n";
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: generate <folder> <seed> <file count>\n");
        return 2;
    }
    std::string folder = argv[1];
    state = std::strtoull(argv[2], nullptr, 10) * 2 + 1;
    unsigned long count = std::strtoul(argv[3], nullptr, 10);
    std::string queries;
    for (unsigned long i = 0; i < count; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "gen%03lu.ini", i);
        if (!write_file(folder + "/" + name, random_file())) return 1;
        queries += queries_for(name);
    }
    if (!write_file(folder + "/genlong.ini", long_lines_file())) return 1;
    queries += queries_for("genlong.ini");
    return write_file(folder + "/queries.txt", queries) ? 0 : 1;
}
