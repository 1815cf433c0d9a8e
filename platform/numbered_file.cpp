// Numbered files: the first free number, a temporary file of our own, and a link into place.
#include "platform/numbered_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace
{
constexpr int NameSize = 64;

bool FileExists(const char* path)
{
    struct stat status;
    return lstat(path, &status) == 0;
}

// A numbered file found in the folder, by its age.
struct NumberedFile
{
    struct timespec modified;
    unsigned number;
};

// Whether one file is older than another: by modification time, then by number.
bool Older(const NumberedFile& a, const NumberedFile& b)
{
    if (a.modified.tv_sec != b.modified.tv_sec)
    {
        return a.modified.tv_sec < b.modified.tv_sec;
    }
    if (a.modified.tv_nsec != b.modified.tv_nsec)
    {
        return a.modified.tv_nsec < b.modified.tv_nsec;
    }
    return a.number < b.number;
}

// The number in a name of prefix, number and suffix, written as %u writes it; false for any
// other name.
bool ReadNumber(const char* name, const char* prefix, const char* suffix, unsigned& number)
{
    const std::size_t prefixLength = std::strlen(prefix);
    const std::size_t suffixLength = std::strlen(suffix);
    const std::size_t length = std::strlen(name);
    if (length <= prefixLength + suffixLength || std::strncmp(name, prefix, prefixLength) != 0 ||
        std::strcmp(name + length - suffixLength, suffix) != 0)
    {
        return false;
    }
    const char* digits = name + prefixLength;
    const std::size_t count = length - prefixLength - suffixLength;
    if (count > 10 || (digits[0] == '0' && count > 1))
    {
        return false; // a name SaveNumberedFile never writes
    }
    unsigned long long value = 0;
    for (std::size_t n = 0; n < count; ++n)
    {
        if (digits[n] < '0' || digits[n] > '9')
        {
            return false;
        }
        value = value * 10 + static_cast<unsigned>(digits[n] - '0');
    }
    number = static_cast<unsigned>(value);
    return value <= 0xffffffffull;
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

int PruneNumberedFiles(const char* prefix, const char* suffix, int keep)
{
    DIR* folder = opendir(".");
    if (folder == nullptr)
    {
        return 0; // nothing can be looked at, so nothing is removed
    }
    std::vector<NumberedFile> found;
    while (const dirent* entry = readdir(folder))
    {
        NumberedFile file;
        struct stat status;
        if (ReadNumber(entry->d_name, prefix, suffix, file.number) &&
            lstat(entry->d_name, &status) == 0 && S_ISREG(status.st_mode))
        {
            file.modified = status.st_mtim;
            found.push_back(file);
        }
    }
    closedir(folder);
    if (static_cast<int>(found.size()) <= keep)
    {
        return 0;
    }
    const auto oldest = found.end() - std::max(keep, 0);
    std::nth_element(found.begin(), oldest, found.end(), Older);
    int removed = 0;
    for (auto file = found.begin(); file != oldest; ++file)
    {
        char name[NameSize];
        std::snprintf(name, sizeof name, "%s%u%s", prefix, file->number, suffix);
        removed += unlink(name) == 0;
    }
    return removed;
}
