// Setting up a new match: the first turn, the ball and the six players.
#include "audio/sound_requests.h"
#include "display/palette.h"
#include "match/game_title.h"
#include "match/turn_rules.h"
#include "platform/rand.h"
#include "scene/unit_types.h"

namespace
{
constexpr int RowPairs = 3;     // pairs of rows 1-2, 3-4 and 5-6, one player of each team
constexpr int FirstBallRow = 3; // the ball starts in row 3 or 4
constexpr int TeamStartColumn[TeamCount] = {1, 3}; // left column of each team's pair
} // namespace

GameTitle::GameTitle()
{
    RestartPaletteDrift();
    currentTeam = Rand() & 1;
    turnBanner = true;
    movesLeft = Rand() % MoveChoices + MinMoves;
    selectedId = 0;
    settleTimer = 0;
    respawnTimer = 0;
    computerTeam = -1;
    computerLevel = LevelNone;
    const int ballColumn = currentTeam == 0 ? BoardColumns - 1 : 0; // beside the team that waits
    AddUnit(UnitBall, -1, ballColumn, FirstBallRow + (Rand() & 1));
    for (int pair = 0; pair < RowPairs; ++pair)
    {
        for (int team = 0; team < TeamCount; ++team)
        {
            const int row = 2 * pair + 1 + (Rand() & 1);
            const int column = TeamStartColumn[team] + (Rand() & 1);
            AddUnit(UnitPlayer, team, column, row);
        }
    }
    PlaySound(SoundBall, 0.0f, BallVolume, CueSend, 0.0f);
}
