// native_probe.cpp: reads INI values with the POSIX reader, for comparison with the Windows one.
// Usage: native_probe <folder> <query list>; prints what probe.exe prints for the same list.
#include <cstring>

#include "platform/posix_ini.h"
#include "tests/ini/query_format.h"

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: native_probe <folder> <query list>\n");
        return 2;
    }
    std::string folder = argv[1];
    return ini_query::run_queries(argv[2], [&](const ini_query::query& q, char* buffer) {
        // What get_private_profile_string of the POSIX platform does with the buffer.
        if (q.size == 0) return 0ul;
        std::string value = platform::read_ini_file_value(folder + "/" + q.file, q.section, q.key,
                                                          q.default_value, q.size);
        std::memcpy(buffer, value.data(), value.size());
        buffer[value.size()] = '\0';
        return static_cast<unsigned long>(value.size());
    });
}
