// Tests of the title screen's left band: the join code's own shapes, and the host's band
// drawing the code with them.
#include "display/band.h"
#include "display/canvas.h"
#include "display/font.h"
#include "net/host_session.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace
{
using Cells = std::set<std::pair<int, int>>;

// The cells a code draws on a line, each with its colour checked, from a cleared canvas.
Cells DrawnCode(const char* code, int line)
{
    ClearCanvas();
    DrawBandCode(code, line, 9);
    Cells lit;
    for (int x = 0; x < CanvasWidth; ++x)
    {
        for (int y = 0; y < CanvasHeight; ++y)
        {
            const unsigned char cell = ScreenCells[x * CanvasHeight + y];
            EXPECT_TRUE(cell == 0 || cell == 9);
            if (cell != 0)
            {
                lit.insert({x, y});
            }
        }
    }
    return lit;
}

// A symbol's cells from its left edge: where a person sees it in any place of a code.
Cells Shape(char symbol)
{
    const char code[] = {symbol, '\0'};
    const Cells lit = DrawnCode(code, 0);
    const int left = lit.empty() ? 0 : lit.begin()->first;
    Cells shape;
    for (const auto& [x, y] : lit)
    {
        shape.insert({x - left, y});
    }
    return shape;
}
} // namespace

// Any two symbols of a code differ in three cells or more, every symbol stands within its line's
// five rows, a line of the widest five stays in the band, and what is no symbol draws nothing.
TEST(Band, TheCodesSymbolsAreUnlikeEachOther)
{
    std::vector<Cells> shapes;
    for (const char* symbol = JoinCodeAlphabet; *symbol != '\0'; ++symbol)
    {
        shapes.push_back(Shape(*symbol));
        EXPECT_FALSE(shapes.back().empty()) << *symbol;
        for (const auto& [x, y] : shapes.back())
        {
            EXPECT_TRUE(x >= 0 && x < 5 && y >= 39 && y < 44) << *symbol;
        }
    }
    for (std::size_t a = 0; a < shapes.size(); ++a)
    {
        for (std::size_t b = a + 1; b < shapes.size(); ++b)
        {
            std::vector<std::pair<int, int>> differ;
            std::set_symmetric_difference(shapes[a].begin(), shapes[a].end(), shapes[b].begin(),
                                          shapes[b].end(), std::back_inserter(differ));
            EXPECT_GE(differ.size(), 3u) << JoinCodeAlphabet[a] << " " << JoinCodeAlphabet[b];
        }
    }
    for (const char* line : {"mwmwm", "mwmwm\x7f"})
    {
        const Cells lit = DrawnCode(line, 2);
        EXPECT_TRUE(lit.begin()->first >= 0 && lit.rbegin()->first <= 31 &&
                    lit.begin()->first + lit.rbegin()->first == 31 - 1);
        EXPECT_TRUE(std::all_of(lit.begin(), lit.end(),
                                [](const auto& cell)
                                { return cell.second >= 25 && cell.second < 30; }));
    }
    EXPECT_TRUE(DrawnCode("iloU -", 1).empty() && DrawnCode("abc", 3).empty());
}

// The host's band shows its code in those shapes, five symbols a line, and its state below.
TEST(Band, TheHostShowsItsCodeInTheCodesShapes)
{
    JoinCode code;
    ASSERT_TRUE(ParseJoinCode("s5d0hk8b6e", code));
    HostSession host;
    StartHostSession(host, code, CodeKey{}); // the band never shows the key
    ClearCanvas();
    DrawHostBand(host, 0);
    const std::vector<unsigned char> band(ScreenCells, ScreenCells + CanvasCells);
    ClearCanvas();
    DrawBandCode("s5d0h", 0, 9);
    DrawBandCode("k8b6e", 1, 9);
    DrawBandText("waiting", 2, 1);
    EXPECT_TRUE(std::equal(band.begin(), band.end(), ScreenCells));
}
