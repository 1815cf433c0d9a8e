// The player's configuration files: found through the XDG variables, read whole with care, and
// replaced through a temporary file.
#include "platform/config_file.h"

#include "platform/numbered_file.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
// Makes every folder above the last slash of path that is missing, each for the player alone.
int MakeParents(const char* path)
{
    char folder[MaxConfigPath];
    const std::size_t length = std::strlen(path);
    if (length >= sizeof folder)
    {
        return ENAMETOOLONG;
    }
    std::memcpy(folder, path, length + 1);
    for (char* slash = std::strchr(folder + 1, '/'); slash != nullptr;
         slash = std::strchr(slash + 1, '/'))
    {
        *slash = '\0';
        if (mkdir(folder, 0700) != 0 && errno != EEXIST)
        {
            return errno;
        }
        *slash = '/';
    }
    return 0;
}
} // namespace

bool FindConfigFile(const char* program, const char* name, char* path, std::size_t capacity)
{
    const char* config = std::getenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    int length = -1;
    if (config != nullptr && config[0] == '/')
    {
        length = std::snprintf(path, capacity, "%s/%s/%s", config, program, name);
    }
    else if (home != nullptr && home[0] == '/')
    {
        length = std::snprintf(path, capacity, "%s/.config/%s/%s", home, program, name);
    }
    if (length < 0 || static_cast<std::size_t>(length) >= capacity)
    {
        if (capacity > 0)
        {
            path[0] = '\0';
        }
        return false;
    }
    return true;
}

int ReadConfigFile(const char* path, char* bytes, std::size_t capacity, std::size_t& size)
{
    size = 0;
    const int file = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (file < 0)
    {
        return errno;
    }
    struct stat status;
    int failure = 0;
    if (fstat(file, &status) != 0)
    {
        failure = errno;
    }
    else if (!S_ISREG(status.st_mode))
    {
        failure = EINVAL;
    }
    while (failure == 0)
    {
        char extra;
        const bool room = size < capacity;
        const ssize_t got = read(file, room ? bytes + size : &extra, room ? capacity - size : 1);
        if (got < 0 && errno == EINTR)
        {
            continue;
        }
        if (got <= 0)
        {
            failure = got < 0 ? errno : 0;
            break;
        }
        if (!room)
        {
            failure = EFBIG; // more than the game ever writes there
            break;
        }
        size += static_cast<std::size_t>(got);
    }
    close(file);
    if (failure != 0)
    {
        size = 0;
    }
    return failure;
}

int ReplaceConfigFile(const char* path, const void* bytes, std::size_t size)
{
    char partial[MaxConfigPath + 4];
    if (std::snprintf(partial, sizeof partial, "%s.tmp", path) >= static_cast<int>(sizeof partial))
    {
        return ENAMETOOLONG;
    }
    if (const int failure = MakeParents(path); failure != 0)
    {
        return failure;
    }
    // A link left at the temporary name is never followed.
    const int file = open(partial, O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (file < 0)
    {
        return errno;
    }
    const bool written = WriteAll(file, bytes, size) && fsync(file) == 0;
    int failure = written ? 0 : errno;
    if (close(file) != 0 && failure == 0)
    {
        failure = errno;
    }
    if (failure == 0 && std::rename(partial, path) != 0)
    {
        failure = errno;
    }
    if (failure != 0)
    {
        unlink(partial);
    }
    return failure;
}
