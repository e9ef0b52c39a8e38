// paths.cpp: path splitting that respects double-byte character sets.

#include "environment/paths.h"

#include "environment/byte_types.h"

#include <bitset>
#include <vector>

#include "platform/platform.h"

namespace environment {

namespace {

const int sm_dbcsenabled = 42;
const unsigned ansi_code_page = 0;

bool double_byte_enabled = false;
std::bitset<256> lead_bytes;

// The type of every byte of text, in one pass from the front: a byte is a trail byte exactly
// when the byte before it is a lead byte.
std::vector<byte_type> byte_types(const std::string& text)
{
    std::vector<byte_type> types(text.size(), byte_type::single);
    if (!double_byte_enabled) return types;
    for (std::size_t j = 0; j < text.size(); ++j) {
        if (j > 0 && types[j - 1] == byte_type::lead)
            types[j] = byte_type::trail;
        else if (lead_bytes[static_cast<unsigned char>(text[j])])
            types[j] = byte_type::lead;
    }
    return types;
}

}  // namespace

void build_lead_byte_table()
{
    double_byte_enabled = platform::system_metric(sm_dbcsenabled) != 0;
    lead_bytes.reset();
    if (!double_byte_enabled) return;
    unsigned char ranges[12] = {};
    if (!platform::code_page_lead_bytes(ansi_code_page, ranges)) return;
    for (int pair = 0; pair < 12; pair += 2) {
        unsigned low = ranges[pair], high = ranges[pair + 1];
        if (low == 0 && high == 0) break;
        for (unsigned byte = low; byte <= high; ++byte) lead_bytes.set(byte);
    }
}

bool is_lead_byte(unsigned char byte) { return lead_bytes[byte]; }

byte_type byte_type_at(const std::string& text, std::size_t position)
{
    return byte_types(text.substr(0, position))[position - 1];
}

std::size_t last_delimiter(const std::string& delimiters, const std::string& text)
{
    const std::vector<byte_type> types = byte_types(text);
    std::size_t i = text.size();
    while (i > 0) {
        const char byte = text[i - 1];
        if (byte == 0 || delimiters.find(byte) == std::string::npos) {
            i -= 1;
        } else if (types[i - 1] == byte_type::trail) {
            i = i >= 2 ? i - 2 : 0;
        } else {
            return i;
        }
    }
    return 0;
}

std::string folder_of(const std::string& path)
{
    return path.substr(0, last_delimiter(platform::folder_delimiters(), path));
}

std::string change_extension(const std::string& path, const std::string& extension)
{
    const std::size_t i = last_delimiter(platform::extension_delimiters(), path);
    if (i == 0 || path[i - 1] != '.') return path + extension;
    return path.substr(0, i - 1) + extension;
}

}  // namespace environment
