// The player's own small files under the desktop's configuration folder: where they live, and
// reading and replacing one whole.
#pragma once

#include <cstddef>

constexpr std::size_t MaxConfigPath = 4096; // bytes of a path, its terminating zero included

// The path of file name in the program's folder of the configuration folder:
// $XDG_CONFIG_HOME/program/name when XDG_CONFIG_HOME holds an absolute path, else
// $HOME/.config/program/name. False, with path empty, when neither is set to an absolute path
// or the result does not fit in capacity bytes.
bool FindConfigFile(const char* program, const char* name, char* path, std::size_t capacity);

// Reads a whole regular file of at most capacity bytes into bytes. Returns 0 with its size, or
// the errno that stopped it: ENOENT for no file, EINVAL for anything but a regular file (a
// folder, a pipe: never waited on), EFBIG for a file larger than capacity. Nothing past the
// bytes read is written.
int ReadConfigFile(const char* path, char* bytes, std::size_t capacity, std::size_t& size);

// Replaces the file at path with size bytes: the folders above it are made as needed (for the
// player alone), the bytes go into path with ".tmp" appended, reach the disk, and the temporary
// file is then renamed over path, so that the file is always either the old one or the new one
// whole. Returns 0, or the errno that stopped it; a failed write leaves no temporary file.
int ReplaceConfigFile(const char* path, const void* bytes, std::size_t size);
