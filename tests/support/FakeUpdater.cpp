// A stand-in for the updater in the hand-off tests: a real executable with a
// version note that records how it was started (its working directory, its
// argument count and its user: the uid, the account name on Windows) in the
// file "started" of that directory, and ends.
#include <cstdio>
#include <string>

#ifdef _WIN32
#include <direct.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace {

std::string user()
{
#ifdef _WIN32
    char name[256];
    DWORD size = sizeof(name);
    return GetUserNameA(name, &size) ? std::string(name) : std::string();
#else
    return std::to_string(unsigned(getuid()));
#endif
}

} // namespace

int main(int argc, char**)
{
    char folder[4096];
#ifdef _WIN32
    if (!_getcwd(folder, sizeof folder))
        return 1;
#else
    if (!getcwd(folder, sizeof folder))
        return 1;
#endif
    std::FILE* out = std::fopen("started", "wb");
    if (!out)
        return 1;
    std::fprintf(out, "%s\n%d\n%s\n", folder, argc - 1, user().c_str());
    return std::fclose(out) == 0 ? 0 : 1;
}
