// floor.cpp: the least a launcher can do, the floor that bench/floor.sh times mailto against. It
// starts with whatever arguments it is given, ignores them, hands the opener found on PATH one
// request, waits for it and exits: mailto's own start and the opener's, and nothing else.

#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

int main()
{
    char opener_name[] = "xdg-open";
    char request[] = "mailto:someone@example.com";
    char* argv[] = {opener_name, request, nullptr};
    pid_t opener = 0;
    if (posix_spawnp(&opener, argv[0], nullptr, nullptr, argv, environ) != 0) return 2;
    int status = 0;
    waitpid(opener, &status, 0);
    return 0;
}
