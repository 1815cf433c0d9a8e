// Numbered files: the first free number, a temporary file of our own, and a link into place.
#include "platform/numbered_file.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
constexpr int NameSize = 64;

bool FileExists(const char* path)
{
    struct stat status;
    return lstat(path, &status) == 0;
}
} // namespace

bool SaveNumberedFile(const char* pattern, unsigned& counter, WriteContents write,
                      const void* context)
{
    char name[NameSize];
    char partial[NameSize + 4];
    int file = -1;
    unsigned number = counter;
    for (;; ++number)
    {
        std::snprintf(name, sizeof name, pattern, number);
        if (FileExists(name))
        {
            continue; // never replace an earlier file
        }
        std::snprintf(partial, sizeof partial, "%s.tmp", name);
        // Only a file made here is ever written: O_EXCL refuses any existing name, links
        // included.
        file = open(partial, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (file >= 0 || errno != EEXIST)
        {
            break;
        }
        // The temporary name is someone else's file: leave it, take the next number.
    }
    counter = number + 1;
    if (file < 0)
    {
        return false; // the folder cannot be written
    }

    const bool written = write(file, context);
    int failure = errno;
    if (close(file) != 0 || !written)
    {
        failure = written ? errno : failure;
        unlink(partial); // leave no half-written file behind
        errno = failure;
        return false;
    }
    // link() refuses to replace a file that appeared meanwhile; rename() would not.
    if (link(partial, name) == 0)
    {
        unlink(partial);
        return true;
    }
    failure = errno;
    // A file system without hard links: rename, now that the name is still free.
    if (failure != EEXIST && !FileExists(name) && std::rename(partial, name) == 0)
    {
        return true;
    }
    unlink(partial);
    errno = failure;
    return false;
}

bool WriteAll(int file, const void* bytes, unsigned long size)
{
    const auto* next = static_cast<const unsigned char*>(bytes);
    while (size > 0)
    {
        const ssize_t written = ::write(file, next, size);
        if (written < 0 && errno == EINTR)
        {
            continue;
        }
        if (written <= 0)
        {
            errno = written == 0 ? ENOSPC : errno;
            return false;
        }
        next += written;
        size -= static_cast<unsigned long>(written);
    }
    return true;
}
