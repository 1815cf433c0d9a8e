// Standard error held back while the libraries open the screen and the sound device.
#include "app/held_lines.h"

#include "platform/names.h"

#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

namespace
{
int RealStandardError = -1; // standard error while the libraries' lines are held back
int HeldLines = -1;         // where standard error goes meanwhile
} // namespace

void HoldLibraryLines()
{
    std::fflush(stderr);
    HeldLines = memfd_create("tumblequay-stderr", MFD_CLOEXEC);
    RealStandardError = fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 0);
    if (HeldLines < 0 || RealStandardError < 0 || dup2(HeldLines, STDERR_FILENO) < 0)
    {
        close(HeldLines); // nothing held: every line goes through as it comes
        close(RealStandardError);
        HeldLines = RealStandardError = -1;
    }
}

void PassOwnLines()
{
    if (RealStandardError < 0)
    {
        return; // nothing held
    }
    std::fflush(stderr);
    dup2(RealStandardError, STDERR_FILENO);
    close(RealStandardError);
    RealStandardError = -1;
    std::FILE* held = fdopen(HeldLines, "r");
    if (held == nullptr)
    {
        close(HeldLines);
        return;
    }
    std::rewind(held);
    char line[512];
    const std::size_t ours = std::strlen(ProgramName);
    while (std::fgets(line, sizeof line, held) != nullptr)
    {
        if (std::strncmp(line, ProgramName, ours) == 0 && line[ours] == ':')
        {
            std::fputs(line, stderr);
        }
    }
    std::fclose(held);
}
