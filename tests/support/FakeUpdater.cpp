// A stand-in for the updater in the hand-off tests: a real executable with a
// version note that records how it was started (its working directory, its
// argument count and its user) in the file "started" of that directory, and
// ends.
#include <cstdio>
#include <unistd.h>

int main(int argc, char**)
{
    char folder[4096];
    if (!getcwd(folder, sizeof folder))
        return 1;
    std::FILE* out = std::fopen("started", "w");
    if (!out)
        return 1;
    std::fprintf(out, "%s\n%d\n%u\n", folder, argc - 1, unsigned(getuid()));
    return std::fclose(out) == 0 ? 0 : 1;
}
