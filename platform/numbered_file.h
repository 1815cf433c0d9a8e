// Numbered files in the working folder (screenshots, replays): the first free number, and
// each file written whole or not at all.
#pragma once

// Writes a file's contents to the open file descriptor, which stays open; false when not
// every byte could be written.
using WriteContents = bool (*)(int file, const void* context);

// Saves a file named by pattern (one %u for the number, e.g. "screen%u.png") under the lowest
// number from counter on for which neither that name nor the name with ".tmp" appended is
// taken. write fills that temporary file, which is created here and never an existing one,
// and it is then linked into place, so no file of the player's is ever replaced or written,
// and a failed or interrupted write never leaves a half file under the final name. counter
// becomes one past the number used, whether or not the file could be written. Returns false
// when nothing was kept; errno then tells why. Main thread only.
bool SaveNumberedFile(const char* pattern, unsigned& counter, WriteContents write,
                      const void* context);

// Writes size bytes to the open file descriptor, through short writes and interruptions;
// false when not all of them could be written.
bool WriteAll(int file, const void* bytes, unsigned long size);

// Keeps at most keep of the numbered files named prefix, a number as SaveNumberedFile writes it
// (decimal, no leading zero) and suffix, in the working folder: the newest by modification time
// (of two as old, the higher number) stay, and the others are removed. Only regular files count;
// links, folders, temporary files and every other name are left alone. Returns the number
// removed. Main thread only.
int PruneNumberedFiles(const char* prefix, const char* suffix, int keep);
