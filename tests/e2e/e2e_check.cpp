// Checks what the real game showed and played, for the end-to-end tests.
//
//   e2e_check title <screenshot.png> <width> <height>
//       The screenshot shows the title screen as the core draws it with the pictures of
//       the working folder's dat/, cell for cell.
//   e2e_check match-start <screenshot.png> <width> <height>
//       The screenshot shows a new match with its turn banner up: the banner over the half
//       of the team whose turn it is, both scores 0, that team's move count of 4 to 9.
//   e2e_check match-board <screenshot.png> <width> <height>
//       The screenshot shows a new match without its banner: the ball and six players,
//       each on a cell where a match can start.
//   e2e_check png <file.png> <width> <height>
//       The file is a whole PNG image of that size.
//   e2e_check audio <stream.raw> <first second> <last second>
//       The 44100 Hz 16-bit stereo stream is not silent between the two times.
//
// A screenshot is read back into canvas cells by looking at the centre of each cell's
// rectangle and naming the palette colour it shows. Exits 0 when the check holds.
#include "app/title_screen.h"
#include "display/canvas.h"
#include "display/font.h"
#include "display/palette.h"
#include "display/pictures.h"
#include "scene/sprites.h"
#include "scene/units.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stb_image.h>
#include <vector>

namespace
{
// Settled colours lie within 0.04 of their base, start-up ones within 0.08.
constexpr int Tolerance = 24;
constexpr int Unknown = -1;
constexpr int Dark = 0; // the background and black look the same

int Observed[CanvasWidth][CanvasHeight]; // the screenshot's colour number per cell

int ClassOf(unsigned char value)
{
    return value >= PaletteColours ? Dark : value;
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
    if (image == nullptr)
    {
        std::fprintf(stderr, "%s: not a readable PNG\n", path);
        return false;
    }
    if (width != expectedWidth || height != expectedHeight)
    {
        std::fprintf(stderr, "%s: %d x %d, expected %d x %d\n", path, width, height, expectedWidth,
                     expectedHeight);
        stbi_image_free(image);
        return false;
    }
    for (int x = 0; x < CanvasWidth; ++x)
    {
        for (int y = 0; y < CanvasHeight; ++y)
        {
            const int px = (2 * x + 1) * width / (2 * CanvasWidth);
            const int rowFromTop = (2 * (CanvasHeight - 1 - y) + 1) * height / (2 * CanvasHeight);
            Observed[x][y] = NameColour(&image[(rowFromTop * width + px) * 4]);
        }
    }
    stbi_image_free(image);
    return true;
}

// Counts the cells in the rectangle where the canvas differs from the screenshot; with
// litOnly, only the canvas's non-zero cells are compared.
int Mismatches(int left, int bottom, int right, int top, bool litOnly, bool report)
{
    int mismatches = 0;
    for (int x = std::max(left, 0); x <= std::min(right, CanvasWidth - 1); ++x)
    {
        for (int y = std::max(bottom, 0); y <= std::min(top, CanvasHeight - 1); ++y)
        {
            const unsigned char value = ScreenCells[x * CanvasHeight + y];
            if ((litOnly && value == 0) || Observed[x][y] == ClassOf(value))
            {
                continue;
            }
            if (report && ++mismatches <= 10)
            {
                std::fprintf(stderr, "cell (%d, %d): expected colour %d, found %d\n", x, y, value,
                             Observed[x][y]);
            }
            else if (!report)
            {
                ++mismatches;
            }
        }
    }
    return mismatches;
}

int CheckTitle()
{
    LoadPictures();
    ClearCanvas();
    DrawTitleScreen();
    const int mismatches = Mismatches(0, 0, CanvasWidth - 1, CanvasHeight - 1, false, true);
    if (mismatches != 0)
    {
        std::fprintf(stderr, "%d cells differ from the title screen\n", mismatches);
        return 1;
    }
    return 0;
}

// Whether the screenshot shows the text over whatever lies below it: every lit cell in
// the colour, and no other cell of the text's box in that colour.
bool TextShown(const char* text, int x, int y, unsigned char colour, int scale)
{
    ClearCanvas();
    DrawText(text, x, y, colour, scale);
    for (int cx = std::max(x, 0); cx < std::min(x + TextWidth(text) * scale, CanvasWidth); ++cx)
    {
        for (int cy = y; cy < y + 5 * scale; ++cy)
        {
            const bool lit = ScreenCells[cx * CanvasHeight + cy] != 0;
            if (lit != (Observed[cx][cy] == colour))
            {
                return false;
            }
        }
    }
    return true;
}

// Draws the turn banner of a team as a new match shows it.
void DrawBanner(int team)
{
    const int cx = 42 * (team + 1);
    for (int x = cx - 30; x <= cx + 29; ++x)
    {
        for (int y = 40; y <= 55; ++y)
        {
            const bool ring = x == cx - 30 || x == cx + 29 || y == 40 || y == 55;
            PlotCell(x, y, ring ? static_cast<unsigned char>(2 * team + 1) : Black);
        }
    }
    char text[32];
    std::snprintf(text, sizeof text, "player %d turn", team + 1);
    DrawText(text, cx - TextWidth(text) / 2, 46, static_cast<unsigned char>(2 * team + 2), 1);
}

int CheckMatchStart()
{
    int bannerTeam = Unknown;
    for (int team = 0; team < 2; ++team)
    {
        ClearCanvas();
        DrawBanner(team);
        const int cx = 42 * (team + 1);
        if (Mismatches(cx - 30, 40, cx + 29, 55, false, false) == 0)
        {
            bannerTeam = team;
        }
    }
    if (bannerTeam == Unknown)
    {
        std::fprintf(stderr, "no turn banner over either half\n");
        return 1;
    }
    if (!TextShown("0", 2, 2, 2, 2) || !TextShown("0", CanvasWidth - 2 * TextWidth("0"), 2, 4, 2))
    {
        std::fprintf(stderr, "the scores are not both 0\n");
        return 1;
    }
    const int x0 = 1 + 101 * bannerTeam;
    int moves = Unknown;
    for (int count = 4; count <= 9; ++count)
    {
        char digits[4];
        std::snprintf(digits, sizeof digits, "%d", count);
        if (TextShown(digits, x0, 16, 9, 1) && TextShown("moves", x0 + TextWidth(digits), 16, 6, 1))
        {
            moves = count;
        }
    }
    if (moves == Unknown)
    {
        std::fprintf(stderr, "no move count of 4 to 9 for team %d\n", bannerTeam);
        return 1;
    }
    std::printf("team %d begins with %d moves\n", bannerTeam, moves);
    return 0;
}

int CheckMatchBoard()
{
    struct Piece
    {
        int sprite, facing, team;
        const char* name;
        int found;
    };
    Piece pieces[] = {{SpriteBall, 0, -1, "ball", 0},
                      {SpriteTeam0, 0, 0, "team 0 player", 0},
                      {SpriteTeam1, 2, 1, "team 1 player", 0}};
    int rowPairs[2][3] = {};
    for (int column = 0; column < BoardColumns; ++column)
    {
        for (int row = 0; row < BoardRows; ++row)
        {
            const int cx = BoardLeft + CellSide * column + CellSide / 2;
            const int cy = CellSide * row + CellSide / 2;
            for (Piece& piece : pieces)
            {
                ClearCanvas();
                DrawSprite(piece.sprite, cx, cy, piece.facing, piece.team);
                if (Mismatches(cx - 6, cy - 6, cx + 5, cy + 5, true, false) != 0)
                {
                    continue;
                }
                ++piece.found;
                const bool ballCell = (column == 0 || column == 5) && (row == 3 || row == 4);
                const int firstColumn = piece.team == 0 ? 1 : 3;
                const bool playerCell =
                    column >= firstColumn && column <= firstColumn + 1 && row >= 1 && row <= 6;
                if (piece.team < 0 ? !ballCell : !playerCell)
                {
                    std::fprintf(stderr, "a %s on cell (%d, %d)\n", piece.name, column, row);
                    return 1;
                }
                if (piece.team >= 0)
                {
                    ++rowPairs[piece.team][(row - 1) / 2];
                }
            }
        }
    }
    const int expected[] = {1, 3, 3};
    for (int i = 0; i < 3; ++i)
    {
        if (pieces[i].found != expected[i])
        {
            std::fprintf(stderr, "%d of %s found, expected %d\n", pieces[i].found, pieces[i].name,
                         expected[i]);
            return 1;
        }
    }
    for (int team = 0; team < 2; ++team)
    {
        for (int pair = 0; pair < 3; ++pair)
        {
            if (rowPairs[team][pair] != 1)
            {
                std::fprintf(stderr, "team %d has %d players in row pair %d\n", team,
                             rowPairs[team][pair], pair);
                return 1;
            }
        }
    }
    return 0;
}

int CheckAudio(const char* path, double from, double to)
{
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr)
    {
        std::fprintf(stderr, "%s: no audio stream\n", path);
        return 1;
    }
    std::vector<short> samples;
    short buffer[4096];
    size_t read = 0;
    while ((read = std::fread(buffer, sizeof(short), 4096, file)) > 0)
    {
        samples.insert(samples.end(), buffer, buffer + read);
    }
    std::fclose(file);
    const size_t first = static_cast<size_t>(from * 44100) * 2;
    const size_t last = std::min(samples.size(), static_cast<size_t>(to * 44100) * 2);
    int peak = 0;
    for (size_t i = first; i < last; ++i)
    {
        peak = std::max(peak, std::abs(static_cast<int>(samples[i])));
    }
    std::printf("%zu frames in the stream, peak %d between %.1f s and %.1f s\n", samples.size() / 2,
                peak, from, to);
    if (last <= first || peak == 0)
    {
        std::fprintf(stderr, "%s: silent between %.1f s and %.1f s\n", path, from, to);
        return 1;
    }
    return 0;
}
} // namespace

int main(int argc, char** argv)
{
    if (argc == 5 && std::strcmp(argv[1], "audio") == 0)
    {
        return CheckAudio(argv[2], std::atof(argv[3]), std::atof(argv[4]));
    }
    if (argc != 5)
    {
        std::fprintf(stderr, "usage: e2e_check title|match-start|match-board|png|audio ...\n");
        return 2;
    }
    if (!ReadScreenshot(argv[2], std::atoi(argv[3]), std::atoi(argv[4])))
    {
        return 1;
    }
    if (std::strcmp(argv[1], "png") == 0)
    {
        return 0; // it decoded whole, at the right size
    }
    if (std::strcmp(argv[1], "title") == 0)
    {
        return CheckTitle();
    }
    if (std::strcmp(argv[1], "match-start") == 0)
    {
        return CheckMatchStart();
    }
    if (std::strcmp(argv[1], "match-board") == 0)
    {
        return CheckMatchBoard();
    }
    std::fprintf(stderr, "unknown check %s\n", argv[1]);
    return 2;
}
