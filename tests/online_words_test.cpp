// Tests of the words online play draws over a match: "waiting" and "away" where they hide neither
// the turn's banner nor the board, and the friend's team named over the host's frames.
#include "app/online.h"
#include "display/canvas.h"
#include "display/font.h"
#include "match/game_title.h"
#include "match/match_draw.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <vector>

namespace
{
using Cells = std::vector<unsigned char>;

Cells Canvas()
{
    return {ScreenCells, ScreenCells + CanvasCells};
}

// The cells in which two canvases differ, as x * CanvasHeight + y.
std::vector<int> Differ(const Cells& a, const Cells& b)
{
    std::vector<int> cells;
    for (int n = 0; n < CanvasCells; ++n)
    {
        if (a[n] != b[n])
        {
            cells.push_back(n);
        }
    }
    return cells;
}

// A word drawn in grey, whole, as found among the cells (every lit cell of the text is lit).
bool Shows(const Cells& cells, const char* word, int left, int bottom)
{
    ClearCanvas();
    DrawText(word, left, bottom, 1, 1);
    for (int n = 0; n < CanvasCells; ++n)
    {
        if (ScreenCells[n] == 1 && cells[n] != 1)
        {
            return false;
        }
    }
    return true;
}
} // namespace

// In a friend's match that waits, the host's "away" and "waiting" stand whole in the friend's
// team's panel: over no cell of the board, of the turn's banner (which reaches into that panel)
// or of the move count; the friend's side puts "away" in the host's team's panel likewise.
TEST(OnlineWords, HoldNoticesHideNeitherBannerNorBoard)
{
    ResetShell();
    Role = OnlineRole::Hosting;
    FriendJoined = true;
    StartMatch(LevelNone);
    auto& match = *static_cast<GameTitle*>(CurrentScene);
    for (const int team : {0, 1})
    {
        match.currentTeam = team;
        match.movesLeft = 9;
        ClearCanvas();
        match.turnBanner = false;
        match.Draw();
        const Cells plain = Canvas();
        ClearCanvas();
        match.turnBanner = true;
        match.Draw();
        const Cells banner = Canvas();
        const std::vector<int> bannerCells = Differ(plain, banner);
        for (const bool joined : {true, false})
        {
            FriendJoined = joined;
            HostSide.friendAway = joined;
            DrawOnlineBand(0);
            const Cells shown = Canvas();
            const char* word = joined ? "away" : "waiting";
            for (const int n : Differ(banner, shown))
            {
                EXPECT_GT(n / CanvasHeight, RightFrame) << word;
                EXPECT_FALSE(std::binary_search(bannerCells.begin(), bannerCells.end(), n)) << word;
                EXPECT_TRUE(n % CanvasHeight > 21 && n % CanvasHeight < 40) << word;
            }
            EXPECT_TRUE(Shows(shown, word, std::max(114 - TextWidth(word) / 2, RightFrame + 1), 25))
                << word;
            ClearCanvas();
            match.Draw();
        }
    }
    LeaveMatch();
    ResetShell();
    HostSide = {};

    // The friend's side: "away" over the host's last frame of a match, in the host's panel.
    Role = OnlineRole::Joining;
    FriendSide = {};
    FriendSide.stage = FriendStage::Joined;
    FriendSide.frameReady = true; // a frame of a match first: "away" is shown once after each
    DrawJoinedFrame();
    FriendSide.hostAway = true;
    ClearCanvas();
    const Cells before = Canvas();
    EXPECT_TRUE(DrawJoinedFrame());
    for (const int n : Differ(before, Canvas()))
    {
        EXPECT_LT(n / CanvasHeight, LeftFrame);
    }
    EXPECT_TRUE(Shows(Canvas(), "away", LeftFrame / 2 - TextWidth("away") / 2, 25));
    Role = OnlineRole::Offline;
    FriendSide = {};
}

// Each of the host's frames shows, on the friend's side, which team is the friend's: in a match
// "you" in the right team's panel, clear of its move count and banner; on the host's title
// screen "you are player 2" in the band right of the picture. The frame itself is kept apart.
TEST(OnlineWords, TheFriendSeesWhichTeamIsTheirs)
{
    Role = OnlineRole::Joining;
    FriendSide = {};
    FriendSide.stage = FriendStage::Joined;
    for (const bool title : {false, true})
    {
        std::fill(std::begin(FriendSide.frameCells), std::end(FriendSide.frameCells), 0);
        FriendSide.frameReady = true;
        FriendSide.titleMusic = title;
        ASSERT_TRUE(DrawJoinedFrame());
        const Cells shown = Canvas();
        ClearCanvas();
        DrawOwnTeam(title);
        EXPECT_EQ(shown, Canvas());
        for (const int n : Differ(Cells(CanvasCells, 0), shown))
        {
            const int x = n / CanvasHeight, y = n % CanvasHeight;
            EXPECT_TRUE(x > RightFrame - 5 && (title ? y > 21 && y < 55 : y > 33 && y < 40));
            EXPECT_EQ(ScreenCells[n], TeamTextColour(1));
        }
        EXPECT_TRUE(std::all_of(std::begin(FriendSide.frameCells), std::end(FriendSide.frameCells),
                                [](unsigned char cell) { return cell == 0; }));
    }
    Role = OnlineRole::Offline;
    FriendSide = {};
}
