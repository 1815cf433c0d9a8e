// Picture art: reading, checking and writing the game's picture data.
#include "tools/pictures/picture_art.h"

#include <cstddef>

namespace
{
// A rectangle of picture cells that must stay transparent, and why.
struct ClearArea
{
    int picture;                 // 0..2
    int firstColumn, lastColumn; // picture columns, 0..63
    int firstRow, lastRow;       // picture rows, 0 lowest, 0..63
    const char* reason;          // said to the artist when a cell here is coloured
};

// Picture 0 sits on the title screen centred on (64, 40): its rows 0..13 lie under the
// two key help lines (canvas y 8..21) and its row 63 on the bottom row of the game title
// (y 71). Pictures 1 and 2 are drawn over every match frame centred on (32, 64) and
// (96, 64): outside the side panels they would hide the board, and the turn banner box
// (y 40..55, x 12..71 for team 0 and 54..113 for team 1) reaches into the panels at
// picture rows 8..23.
constexpr ClearArea ClearAreas[] = {
    {0, 0, 63, 0, 13, "the help lines are drawn there"},
    {0, 0, 63, 63, 63, "it would touch the game title line"},
    {1, 27, 63, 0, 63, "it lies off the left panel, over the board"},
    {1, 12, 26, 8, 23, "team 0's turn banner shows there"},
    {2, 0, 36, 0, 63, "it lies off the right panel, over the board"},
    {2, 37, 49, 8, 23, "team 1's turn banner shows there"},
};

// The colour number of an art character, or -1 for a character outside the legend.
int ArtColour(char character)
{
    if (character == '.')
    {
        return 0;
    }
    if (character >= '1' && character <= '9')
    {
        return character - '0';
    }
    if (character == '#')
    {
        return 255;
    }
    return -1;
}

std::string LinePrefix(int fileLine)
{
    return "line " + std::to_string(fileLine) + ": ";
}
} // namespace

bool ParseArt(const std::string& text, PictureArt& art, std::string& error)
{
    int artLine = 0;  // art lines read so far, 0..64
    int fileLine = 0; // 1-based number of the line being read
    std::size_t start = 0;
    while (start < text.size())
    {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
        {
            end = text.size();
        }
        std::string line = text.substr(start, end - start);
        start = end + 1;
        ++fileLine;
        if (!line.empty() && line.back() == '\r')
        {
            line.pop_back();
        }
        if (!line.empty() && line[0] == ';')
        {
            continue; // a remark
        }
        if (artLine == ArtSide)
        {
            error = LinePrefix(fileLine) + "more than 64 art lines";
            return false;
        }
        if (line.size() != ArtSide)
        {
            error = LinePrefix(fileLine) + "art line holds " + std::to_string(line.size()) +
                    " characters, not 64";
            return false;
        }
        const int row = ArtSide - 1 - artLine; // the first art line is the top row
        for (int x = 0; x < ArtSide; ++x)
        {
            const int colour = ArtColour(line[x]);
            if (colour < 0)
            {
                error = LinePrefix(fileLine) + "column " + std::to_string(x + 1) +
                        ": unknown character '" + line[x] + "'";
                if (line[x] == '0')
                {
                    error += " (write '.' for a transparent cell)";
                }
                return false;
            }
            art.cells[x * ArtSide + row] = colour;
        }
        art.fileLines[row] = fileLine;
        ++artLine;
    }
    if (artLine != ArtSide)
    {
        error = "only " + std::to_string(artLine) + " art lines, not 64";
        return false;
    }
    return true;
}

bool CheckClearAreas(int picture, const PictureArt& art, std::string& error)
{
    if (picture < 0 || picture >= ArtPictures)
    {
        error = "there is no picture " + std::to_string(picture);
        return false;
    }
    for (const ClearArea& area : ClearAreas)
    {
        if (area.picture != picture)
        {
            continue;
        }
        // Top row first, so the message names the first offending cell as the file reads.
        for (int row = area.lastRow; row >= area.firstRow; --row)
        {
            for (int x = area.firstColumn; x <= area.lastColumn; ++x)
            {
                if (art.cells[x * ArtSide + row] != 0)
                {
                    error = LinePrefix(art.fileLines[row]) + "column " + std::to_string(x + 1) +
                            " must be '.' in picture " + std::to_string(picture) + ": " +
                            area.reason;
                    return false;
                }
            }
        }
    }
    return true;
}

std::string FormatPictureData(const PictureArt& art)
{
    std::string data;
    for (int row = 0; row < ArtSide; ++row)
    {
        for (int x = 0; x < ArtSide; ++x)
        {
            if (x > 0)
            {
                data += ' ';
            }
            data += std::to_string(art.cells[x * ArtSide + row]);
        }
        data += '\n';
    }
    return data;
}
