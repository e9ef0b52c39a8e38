// probe.cpp: stands in for the main sequence and asks the platform's own INI reader, so that the
// POSIX and the Windows builds of this one program answer the same queries about the same files.
#include <cstdio>
#include <string>
#include <vector>

#include "launcher/launch.h"
#include "platform/platform.h"

// A field of "queries": "x" and its bytes in hex, so that any byte, or none, survives fscanf.
static std::string field(std::FILE* in)
{
    static char text[1 << 20];
    std::string bytes;
    unsigned byte = 0;
    if (std::fscanf(in, "%1048575s", text) != 1) return bytes;
    for (const char* at = text + 1; std::sscanf(at, "%2x", &byte) == 1; at += 2)
        bytes += static_cast<char>(byte);
    return bytes;
}

// The probe's queries are small: running out of memory ends it as the C++ run-time does.
void launcher::stop_when_memory_runs_out() {}

// For each line "file section key default size" of "queries" in the current folder: the count
// returned, whether the byte after the value is its terminator (1), and the bytes stored in hex.
int launcher::run()
{
    std::FILE* in = std::fopen("queries", "rb");
    unsigned long size = 0;
    while (in != nullptr) {
        const std::string path = std::string(".") + platform::folder_delimiters()[0] + field(in);
        const std::string section = field(in), key = field(in), default_value = field(in);
        if (std::fscanf(in, "%lu", &size) != 1) return 0;
        std::vector<char> buffer(size + 16, '\xAA');
        const unsigned long count = platform::get_private_profile_string(
            section.c_str(), key.c_str(), default_value.c_str(), buffer.data(), size, path.c_str());
        std::printf("%lu %d x", count, size == 0 || (count < size && buffer[count] == '\0'));
        for (unsigned long i = 0; i < count && i < size; ++i)
            std::printf("%02x", static_cast<unsigned char>(buffer[i]));
        std::printf("\n");
    }
    return 2;
}
