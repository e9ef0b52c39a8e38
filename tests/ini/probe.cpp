// probe.cpp: reads INI values with the Windows reader, for comparison with the POSIX reader.
// Usage: probe.exe <folder as a Windows path> <query list as a Windows path>
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include "tests/ini/query_format.h"

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: probe <folder> <query list>\n");
        return 2;
    }
    // The result lines are compared byte for byte: no CR added before each LF.
    _setmode(_fileno(stdout), _O_BINARY);
    std::string folder = argv[1];
    return ini_query::run_queries(argv[2], [&](const ini_query::query& q, char* buffer) {
        std::string path = folder + "\\" + q.file;
        return static_cast<unsigned long>(
            GetPrivateProfileStringA(q.section.c_str(), q.key.c_str(), q.default_value.c_str(),
                                     buffer, static_cast<DWORD>(q.size), path.c_str()));
    });
}
