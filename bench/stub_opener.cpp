// stub_opener.cpp: an xdg-open that opens nothing: it writes its first argument to the file
// STUB_RECORD names, if any, and exits with the status in STUB_STATUS (0 when unset).

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

int main(int argc, char** argv)
{
    const char* record = std::getenv("STUB_RECORD");
    if (record != nullptr && argc > 1) {
        const int file = open(record, O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (file < 0 || write(file, argv[1], std::strlen(argv[1])) < 0) return 3;
        close(file);
    }
    const char* status = std::getenv("STUB_STATUS");
    return status != nullptr ? std::atoi(status) : 0;
}
