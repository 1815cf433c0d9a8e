// Checks what the real game showed and played, for the end-to-end tests.
//
//   e2e_check title <screenshot.png> <width> <height>
//       The screenshot shows the title screen as the core draws it with the pictures of
//       the working folder's dat/, cell for cell.
//   e2e_check title-waiting <screenshot.png> <width> <height>
//       The same with the browser's hint that the sound waits for a click.
//   e2e_check match-start <screenshot.png> <width> <height>
//       The screenshot shows a new match with its turn banner up as the core draws it with
//       the working folder's pictures, for one team and a move count of 4 to 9, wherever
//       the units stand; the banner names a player, or the computer's level.
//   e2e_check state <screenshot.png> <width> <height>
//       The screenshot shows a match: prints "team T moves M banner B", whose turn it is,
//       the moves left and whether the turn's banner is up, read from the move count beside
//       the board and the banner's frame.
//   e2e_check hosting <screenshot.png> <width> <height>
//       As title, but for the side bands (columns 0..31 and 96..127, rows 21..70): online
//       play shows its join code and notices on the left, and with a friend in no keys of
//       the computer's levels on the right.
//   e2e_check word <screenshot.png> <width> <height> <row> <text> [<centre column>]
//       The text, centred on the column (16: the left band) with its foot on the row, in the
//       glyphs of glyph_sheet.h.
//   e2e_check same <screenshot.png> <width> <height> <other.png>
//       The two screenshots show the same colour in every cell.
//   e2e_check replay-of <screenshot.png> <width> <height> <other.png>
//       The screenshot shows the other with a replay's marks over it ("replay", and "paused"
//       or not). The match checks above take those marks too.
//   e2e_check friend-of <screenshot.png> <width> <height> <host.png>
//       The friend's screenshot shows the host's with the friend's team named over it, as on
//       the title screen or in a match. The match checks above take that too.
//   e2e_check rules <screenshot.png> <width> <height>
//       The screenshot shows the rules page as the core draws it, cell for cell.
//   e2e_check png <file.png> <width> <height>
//       The file is a whole PNG image of that size.
//
// A screenshot is read back into canvas cells by looking at the centre of each cell's
// rectangle and naming the palette colour it shows. Exits 0 when the check holds.
#include "app/online.h"
#include "app/replay.h"
#include "app/rules_page.h"
#include "app/title_screen.h"
#include "display/canvas.h"
#include "display/palette.h"
#include "display/pictures.h"
#include "glyph_sheet.h"
#include "match/game_title.h"
#include "match/match_draw.h"
#include "match/turn_rules.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <stb_image.h>
#include <string_view>

namespace
{
// Settled colours lie within 0.04 of their base, start-up ones within 0.08.
constexpr int Tolerance = 24;
constexpr int DarkGreen = 7; // within 0.1 of black: drifted, it may look like black too

int Observed[CanvasCells];           // the class of the screenshot's colour per cell
unsigned char NoBanner[CanvasCells]; // a new match as drawn without its banner

// The colour as the screenshot can tell it: 0 (dark) for every colour that may look black.
int ClassOf(int colour)
{
    return colour >= PaletteColours || colour == DarkGreen ? 0 : colour;
}

// The class of the palette colour nearest to a pixel, or -1 when none is near enough.
int NameColour(const unsigned char* pixel)
{
    int best = -1, bestDistance = Tolerance + 1;
    for (int colour = 0; colour < PaletteColours; ++colour)
    {
        const auto off = [&](int c) {
            return std::abs(pixel[c] -
                            static_cast<int>(std::min(BasePalette[colour][c], 1.0f) * 255));
        };
        const int distance = std::max({off(0), off(1), off(2)});
        best = distance < bestDistance ? colour : best;
        bestDistance = std::min(distance, bestDistance);
    }
    return best < 0 ? best : ClassOf(best);
}

// Reads a screenshot into Observed by the centre of each cell's rectangle.
bool ReadScreenshot(const char* path, int width, int height)
{
    int foundWidth = 0, foundHeight = 0, channels = 0;
    unsigned char* image = stbi_load(path, &foundWidth, &foundHeight, &channels, 4);
    const bool whole = image != nullptr && foundWidth == width && foundHeight == height;
    for (int n = 0; whole && n < CanvasCells; ++n)
    {
        const int x = n / CanvasHeight, y = n % CanvasHeight;
        const int px = (2 * x + 1) * width / (2 * CanvasWidth);
        const int rowFromTop = (2 * (CanvasHeight - 1 - y) + 1) * height / (2 * CanvasHeight);
        Observed[n] = NameColour(&image[(rowFromTop * width + px) * 4]);
    }
    stbi_image_free(image);
    if (!whole)
    {
        std::fprintf(stderr, "%s: not a readable PNG of %d x %d\n", path, width, height);
    }
    return whole;
}

// Whether the canvas and the screenshot agree on every cell that picked(x, y, n) names; when
// asked to, tells how many differ and the first.
template<typename Picked>
bool Agree(Picked picked, bool report = false)
{
    int differ = 0, first = 0;
    for (int n = 0; n < CanvasCells; ++n)
    {
        const bool differs =
            picked(n / CanvasHeight, n % CanvasHeight, n) && Observed[n] != ClassOf(ScreenCells[n]);
        first = differs && differ == 0 ? n : first;
        differ += differs;
    }
    if (report && differ != 0)
    {
        std::fprintf(stderr, "%d cells differ; the first, (%d, %d): expected colour %d, found %d\n",
                     differ, first / CanvasHeight, first % CanvasHeight, ScreenCells[first],
                     Observed[first]);
    }
    return differ == 0;
}

// The match a screenshot shows, as a new match of some team and move count drawn by the core
// agrees with it: beside the board and on the banner, which hides what lies below it, for a
// new match with its banner up (start, 4 to 9 moves); else on the move count in the panels.
// Each is drawn without units (they stand where chance put them), first without its banner
// into NoBanner, then with it. Prints "team T moves M banner B", B whether the team's banner
// frame shows.
bool CheckMatch(bool start)
{
    const auto besideOrBanner = [](int x, int, int n)
    { return x <= LeftFrame || x >= RightFrame || ScreenCells[n] != NoBanner[n]; };
    const auto moveCount = [](int x, int y, int)
    { return (x < LeftFrame || x > RightFrame) && y >= 14 && y <= 22; };
    constexpr int Counts = MinMoves + MoveChoices; // 0 to 9 moves
    constexpr int Levels = LevelHard + 1;
    GameTitle match;
    match.units.clear();
    // What may be drawn over the match: nothing; a replay's marks, "replay" or "replay" and
    // "paused"; or, on the friend's side, its team. The banner names a player, or the computer's
    // level when the computer's team is on turn: the computer may begin a match too.
    for (int k = 0; k < Levels * 4 * TeamCount * Counts; ++k)
    {
        const int team = match.currentTeam = k / Counts % TeamCount;
        const int moves = match.movesLeft = k % Counts, marks = k / (TeamCount * Counts) % 4;
        match.computerLevel = static_cast<ComputerLevel>(k / (4 * TeamCount * Counts));
        match.computerTeam = match.computerLevel == LevelNone ? -1 : team;
        for (const bool banner : {false, true})
        {
            std::copy(ScreenCells, ScreenCells + CanvasCells, NoBanner);
            match.turnBanner = banner;
            ClearCanvas();
            match.Draw();
            if (marks == 3)
            {
                DrawOwnTeam(false);
            }
            else if (marks > 0)
            {
                DrawPlaybackMarks(marks == 2);
            }
        }
        if (start ? moves >= MinMoves && Agree(besideOrBanner) : Agree(moveCount))
        {
            const auto frame = [team](int, int, int n)
            { return ScreenCells[n] != NoBanner[n] && ScreenCells[n] == TeamFrameColour(team); };
            std::printf("team %d moves %d banner %d\n", team, moves, Agree(frame));
            return true;
        }
    }
    std::fprintf(stderr, start ? "no new match with its banner up\n" : "no move count\n");
    return false;
}

// Whether the check the command line names holds of the screenshot read.
bool Holds(std::string_view check, int argc, char** argv)
{
    if (check == "same")
    {
        std::copy(Observed, Observed + CanvasCells, ScreenCells); // -1, unknown, as dark
        return argc == 6 && ReadScreenshot(argv[5], std::atoi(argv[3]), std::atoi(argv[4])) &&
               Agree([](int, int, int) { return true; }, true);
    }
    if (check == "replay-of" || check == "friend-of")
    {
        // The other screenshot with what this side draws over it, in either of its forms: a
        // playback's marks, paused or not; the friend's team, on the title screen or in a match.
        static int Shown[CanvasCells];
        std::copy(Observed, Observed + CanvasCells, Shown);
        if (argc != 6 || !ReadScreenshot(argv[5], std::atoi(argv[3]), std::atoi(argv[4])))
        {
            return false;
        }
        for (const bool second : {false, true})
        {
            std::copy(Observed, Observed + CanvasCells, ScreenCells); // -1, unknown, as dark
            check == "replay-of" ? DrawPlaybackMarks(second) : DrawOwnTeam(second);
            std::swap_ranges(Observed, Observed + CanvasCells, Shown);
            const bool agree = Agree([](int, int, int) { return true; }, second);
            std::swap_ranges(Observed, Observed + CanvasCells, Shown);
            if (agree)
            {
                return true;
            }
        }
        return false;
    }
    if (check == "word" && argc >= 7)
    {
        // The text as the online notices draw it, centred on the column (16: the left band)
        // with its foot on the row, in the glyphs as the screen shows them: not with the game's
        // own font, whose faults would then be on both sides.
        const char* text = argv[6];
        const int row = std::atoi(argv[5]), width = SheetText(text, 0, 0, [](int, int) {});
        const int left = (argc == 8 ? std::atoi(argv[7]) : 16) - width / 2;
        const auto inWord = [&](int x, int y, int)
        { return x >= left && x < left + width && y >= row && y < row + 5; };
        ClearCanvas();
        SheetText(text, left, row, [](int x, int y) { PlotCell(x, y, 1); });
        return Agree(inWord, true);
    }
    if (check == "match-start" || check == "state")
    {
        return CheckMatch(check == "match-start");
    }
    if (check == "rules")
    {
        ClearCanvas();
        DrawRulesPage();
        return Agree([](int, int, int) { return true; }, true);
    }
    // The title; online play shows its code and notices in the side bands (columns 0..31 and
    // 96..127, rows 21..70), which hosting leaves out.
    SoundWaitsForPerson = check == "title-waiting";
    ClearCanvas();
    DrawTitleScreen();
    const bool band = check == "hosting";
    const auto outsideBands = [band](int x, int y, int)
    { return !band || (x > 31 && x < 96) || y < 21 || y > 70; };
    return check == "png" ||
           ((check == "title" || band || SoundWaitsForPerson) && Agree(outsideBands, true));
}
} // namespace

int main(int argc, char** argv)
{
    if (argc < 5)
    {
        std::fprintf(stderr,
                     "usage: e2e_check title|title-waiting|hosting|match-start|state|word|rules|"
                     "same|replay-of|friend-of|png <screenshot.png> <width> <height> ...\n");
        return 2;
    }
    LoadPictures();
    const bool holds = ReadScreenshot(argv[2], std::atoi(argv[3]), std::atoi(argv[4])) &&
                       Holds(argv[1], argc, argv);
    return holds ? 0 : 1;
}
