// Tests of standard error held back at start-up: only the game's own lines get through.
#include "app/held_lines.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>

// The lines libraries write straight to the descriptor, or through stdio, while held back are
// dropped, the game's kept in their order, and standard error is itself again afterwards.
TEST(HeldLines, OnlyTheGamesOwnLinesGetThrough)
{
    std::fflush(stderr);
    std::FILE* after = std::tmpfile();
    const int saved = dup(STDERR_FILENO);
    dup2(fileno(after), STDERR_FILENO);
    HoldLibraryLines();
    const char library[] = "ALSA lib pcm.c:2666:(snd_pcm_open_noupdate) Unknown PCM x\n";
    EXPECT_EQ(write(STDERR_FILENO, library, sizeof library - 1), ssize_t{sizeof library - 1});
    std::fputs("tumblequay: cannot open the audio device: no such device\n", stderr);
    std::fputs("tumblequayx: not ours\nerror: tumblequay: not ours either\n", stderr);
    PassOwnLines();
    PassOwnLines(); // nothing held any more
    std::fputs("tumblequay: after\nanyone: after\n", stderr);
    std::fflush(stderr);
    dup2(saved, STDERR_FILENO);
    close(saved);
    char text[512] = "";
    const ssize_t size = pread(fileno(after), text, sizeof text - 1, 0);
    std::fclose(after);
    EXPECT_EQ(std::string(text, size > 0 ? static_cast<std::size_t>(size) : 0),
              "tumblequay: cannot open the audio device: no such device\n"
              "tumblequay: after\nanyone: after\n");
}
