// Runs a program with an empty argument vector (argc 0), which a shell
// cannot do.
#include <unistd.h>

#include <cstdio>

int main(int argc, char* argv[])
{
    if (argc != 2) {
        std::fputs("usage: run_with_empty_argv PROGRAM\n", stderr);
        return 2;
    }
    char* no_arguments[] = {nullptr};
    execve(argv[1], no_arguments, environ);
    std::perror(argv[1]);
    return 127;
}
