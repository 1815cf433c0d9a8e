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
//       the units stand.
//   e2e_check state <screenshot.png> <width> <height>
//       The screenshot shows a match: prints "team T moves M banner B", whose turn it is,
//       the moves left and whether the turn's banner is up, read from the move count beside
//       the board and the banner's frame.
//   e2e_check hosting <screenshot.png> <width> <height>
//       As title, but for the side bands (columns 0..31 and 96..127, rows 21..70): online
//       play shows its join code and notices on the left, and with a friend in no keys of
//       the computer's levels on the right.
//   e2e_check word <screenshot.png> <width> <height> <row> <text> [<centre column>]
//       The text, centred on the column (16: the left band) with its foot on the row.
//   e2e_check same <screenshot.png> <width> <height> <other.png>
//       The two screenshots show the same colour in every cell.
//   e2e_check png <file.png> <width> <height>
//       The file is a whole PNG image of that size.
//
// A screenshot is read back into canvas cells by looking at the centre of each cell's
// rectangle and naming the palette colour it shows. Exits 0 when the check holds.
#include "app/title_screen.h"
#include "display/canvas.h"
#include "display/font.h"
#include "display/palette.h"
#include "display/pictures.h"
#include "match/game_title.h"
#include "match/match_draw.h"
#include "match/turn_rules.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stb_image.h>
#include <string_view>

namespace
{
// Settled colours lie within 0.04 of their base, start-up ones within 0.08.
constexpr int Tolerance = 24;
constexpr int Unknown = -1;
constexpr int Dark = 0;      // the background and black look the same
constexpr int DarkGreen = 7; // within 0.1 of black: drifted, it may look like black too

int Observed[CanvasWidth][CanvasHeight]; // the class of the screenshot's colour per cell

// The colour as the screenshot can tell it: Dark for every colour that may look black.
int ClassOf(int colour)
{
    return colour >= PaletteColours || colour == DarkGreen ? Dark : colour;
}

// The palette colour nearest to a pixel, or Unknown when none is near enough.
int NameColour(const unsigned char* pixel)
{
    int best = Unknown;
    int bestDistance = Tolerance + 1;
    for (int colour = 0; colour < PaletteColours; ++colour)
    {
        int distance = 0;
        for (int channel = 0; channel < 3; ++channel)
        {
            const float base = BasePalette[colour][channel];
            const int expected = static_cast<int>((base > 1.0f ? 1.0f : base) * 255.0f);
            distance = std::max(distance, std::abs(pixel[channel] - expected));
        }
        if (distance < bestDistance)
        {
            best = colour;
            bestDistance = distance;
        }
    }
    return best;
}

bool ReadScreenshot(const char* path, int expectedWidth, int expectedHeight)
{
    int width = 0, height = 0, channels = 0;
    unsigned char* image = stbi_load(path, &width, &height, &channels, 4);
    if (image == nullptr || width != expectedWidth || height != expectedHeight)
    {
        std::fprintf(stderr, "%s: not a readable PNG of %d x %d\n", path, expectedWidth,
                     expectedHeight);
        stbi_image_free(image);
        return false;
    }
    for (int n = 0; n < CanvasCells; ++n)
    {
        const int x = n / CanvasHeight, y = n % CanvasHeight;
        const int px = (2 * x + 1) * width / (2 * CanvasWidth);
        const int rowFromTop = (2 * (CanvasHeight - 1 - y) + 1) * height / (2 * CanvasHeight);
        Observed[x][y] = ClassOf(NameColour(&image[(rowFromTop * width + px) * 4]));
    }
    stbi_image_free(image);
    return true;
}

// Whether the canvas and the screenshot agree on every cell that compared(x, y, n) picks;
// when asked to, names the first ten that differ and how many do.
template<typename Picked>
bool Agree(Picked compared, bool report)
{
    int mismatches = 0;
    for (int n = 0; n < CanvasCells; ++n)
    {
        const int x = n / CanvasHeight, y = n % CanvasHeight;
        if (compared(x, y, n) && Observed[x][y] != ClassOf(ScreenCells[n]) && ++mismatches <= 10 &&
            report)
        {
            std::fprintf(stderr, "cell (%d, %d): expected colour %d, found %d\n", x, y,
                         ScreenCells[n], Observed[x][y]);
        }
    }
    if (report && mismatches != 0)
    {
        std::fprintf(stderr, "%d cells differ\n", mismatches);
    }
    return mismatches == 0;
}

bool CheckTitle(bool band)
{
    LoadPictures();
    ClearCanvas();
    DrawTitleScreen();
    return Agree([band](int x, int y, int)
                 { return !band || (x > 31 && x < 96) || y < 21 || y > 70; },
                 true);
}

unsigned char NoBanner[CanvasCells]; // a new match as drawn without its banner

// Draws a new match of the team's turn with the given moves and without units (they stand
// where chance put them), first without its banner into NoBanner, then with it.
void DrawNewMatch(int team, int moves)
{
    GameTitle match;
    match.units.clear();
    match.currentTeam = team;
    match.movesLeft = moves;
    for (const bool banner : {false, true})
    {
        std::memcpy(NoBanner, ScreenCells, sizeof NoBanner);
        match.turnBanner = banner;
        ClearCanvas();
        match.Draw();
    }
}

// A new match with its banner up as the core draws it, compared where chance plays no part:
// beside the board (panels, scores, move count, pictures) and on the banner, which hides what
// lies below it. The turn is read as in CheckState.
bool CheckMatchStart()
{
    LoadPictures();
    for (int team = 0; team < TeamCount; ++team)
    {
        for (int moves = MinMoves; moves < MinMoves + MoveChoices; ++moves)
        {
            DrawNewMatch(team, moves);
            if (Agree(
                    [](int x, int, int n)
                    { return x <= LeftFrame || x >= RightFrame || ScreenCells[n] != NoBanner[n]; },
                    false))
            {
                std::printf("team %d begins with %d moves\n", team, moves);
                return true;
            }
        }
    }
    std::fprintf(stderr, "not a new match with its banner up, of either team with 4 to 9 moves\n");
    return false;
}

// The turn a match screen shows: the move count in the panels as a new match of that team
// with that many moves draws it, and the banner's frame when it is up.
bool CheckState()
{
    LoadPictures();
    for (int team = 0; team < TeamCount; ++team)
    {
        for (int moves = 0; moves < MinMoves + MoveChoices; ++moves)
        {
            DrawNewMatch(team, moves);
            if (Agree([](int x, int y, int)
                      { return (x < LeftFrame || x > RightFrame) && y >= 14 && y <= 22; },
                      false))
            {
                const bool banner = Agree(
                    [team](int, int, int n) {
                        return ScreenCells[n] != NoBanner[n] &&
                               ScreenCells[n] == TeamFrameColour(team);
                    },
                    false);
                std::printf("team %d moves %d banner %d\n", team, moves, banner);
                return true;
            }
        }
    }
    std::fprintf(stderr, "no move count of a match\n");
    return false;
}

// Every cell of one screenshot against the other's.
bool CheckSame(const char* path, const char* other, int width, int height)
{
    if (!ReadScreenshot(other, width, height))
    {
        return false;
    }
    for (int n = 0; n < CanvasCells; ++n)
    {
        ScreenCells[n] = static_cast<unsigned char>(Observed[n / CanvasHeight][n % CanvasHeight]);
    }
    return ReadScreenshot(path, width, height) && Agree([](int, int, int) { return true; }, true);
}

// The text as the online notices and words draw it, cell for cell.
bool CheckWord(int row, const char* text, int centre)
{
    ClearCanvas();
    const int left = centre - TextWidth(text) / 2;
    DrawText(text, left, row, 1, 1);
    return Agree(
        [&](int x, int y, int)
        { return x >= left && x < left + TextWidth(text) && y >= row && y < row + GlyphSide; },
        true);
}

// Whether the check the command line names holds.
bool Holds(int argc, char** argv)
{
    const std::string_view check = argv[1];
    const int width = std::atoi(argv[3]), height = std::atoi(argv[4]);
    if (check == "same")
    {
        return argc == 6 && CheckSame(argv[2], argv[5], width, height);
    }
    if (!ReadScreenshot(argv[2], width, height))
    {
        return false;
    }
    if (check == "word")
    {
        return argc >= 7 &&
               CheckWord(std::atoi(argv[5]), argv[6], argc == 8 ? std::atoi(argv[7]) : 16);
    }
    SoundWaitsForPerson = check == "title-waiting";
    if (check == "title" || check == "hosting" || check == "title-waiting")
    {
        return CheckTitle(check == "hosting");
    }
    if (check == "match-start" || check == "state")
    {
        return check == "state" ? CheckState() : CheckMatchStart();
    }
    return check == "png"; // it decoded whole, at the right size
}
} // namespace

int main(int argc, char** argv)
{
    if (argc < 5)
    {
        std::fprintf(stderr, "usage: e2e_check title|title-waiting|hosting|match-start|state|word|"
                             "same|png <screenshot.png> <width> <height> ...\n");
        return 2;
    }
    return Holds(argc, argv) ? 0 : 1;
}
