// dbcs_probe.cpp: prints what the system says about its ANSI code page, the lead-byte table the
// program builds from it through its own Windows platform layer, and the folder of each path given
// in hexadecimal under that table, so that a test can hold them against a known code page.
// Usage: dbcs_probe [HEX-PATH...]   prints lines "name value...".
#include <windows.h>

#include <bitset>
#include <cstdio>
#include <string>

#include "environment/paths.h"

// The set as ranges of byte values, like "81-9f e0-fc", or "none".
static std::string ranges_of(const std::bitset<256>& set)
{
    std::string text;
    for (int byte = 0; byte < 256; ++byte) {
        if (!set[byte] || (byte > 0 && set[byte - 1])) continue;
        int last = byte;
        while (last < 255 && set[last + 1]) ++last;
        char range[16];
        std::snprintf(range, sizeof range, "%s%02x-%02x", text.empty() ? "" : " ", byte, last);
        text += range;
    }
    return text.empty() ? "none" : text;
}

// The lead-byte pairs of the ANSI code page as the system reports them, up to the first 0 0 pair.
static std::bitset<256> reported_lead_bytes()
{
    std::bitset<256> set;
    CPINFO info = {};
    if (!GetCPInfo(CP_ACP, &info)) return set;
    for (int pair = 0; pair < MAX_LEADBYTES; pair += 2) {
        const int low = info.LeadByte[pair], high = info.LeadByte[pair + 1];
        if (low == 0 && high == 0) break;
        for (int byte = low; byte <= high; ++byte) set.set(byte);
    }
    return set;
}

static std::string from_hex(const std::string& hex)
{
    std::string bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    return bytes;
}

static std::string to_hex(const std::string& bytes)
{
    std::string hex;
    char pair[3];
    for (unsigned char byte : bytes) {
        std::snprintf(pair, sizeof pair, "%02x", byte);
        hex += pair;
    }
    return hex;
}

int main(int argc, char** argv)
{
    std::bitset<256> system_lead, table;
    environment::build_lead_byte_table();
    for (int byte = 0; byte < 256; ++byte) {
        system_lead[byte] = IsDBCSLeadByte(static_cast<BYTE>(byte)) != 0;
        table[byte] = environment::is_lead_byte(static_cast<unsigned char>(byte));
    }
    std::printf("acp %u\n", GetACP());
    std::printf("dbcs_enabled %d\n", GetSystemMetrics(SM_DBCSENABLED));
    std::printf("cpinfo_lead_bytes %s\n", ranges_of(reported_lead_bytes()).c_str());
    std::printf("system_lead_bytes %s\n", ranges_of(system_lead).c_str());
    std::printf("table %s\n", ranges_of(table).c_str());
    for (int i = 1; i < argc; ++i)
        std::printf("folder_of %s %s\n", argv[i],
                    to_hex(environment::folder_of(from_hex(argv[i]))).c_str());
    return 0;
}
