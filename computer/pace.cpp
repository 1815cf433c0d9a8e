// The computer opponent at the keyboard: pressing one key at a time at a pace a person can follow.
#include "computer/pace.h"

#include "match/controls.h"
#include "match/game_title.h"

ComputerPlayer MakeComputerPlayer(int team, MovePolicy policy)
{
    return {team, policy, BannerWaitSteps, -1};
}

MovePolicy LevelPolicy(ComputerLevel level)
{
    switch (level)
    {
        case LevelEasy:
            return ChooseEasyMove;
        case LevelNormal:
            return ChooseNormalMove;
        default:
            return ChooseMove;
    }
}

int MoveAction(ComputerMove move)
{
    switch (move)
    {
        case MoveForward:
            return ActionUp;
        case MoveLeft:
            return ActionLeft;
        case MoveRight:
            return ActionRight;
        default:
            return ActionDown;
    }
}

void TickComputerPlayer(ComputerPlayer& player, GameTitle& match)
{
    if (player.heldAction >= 0)
    {
        match.KeyUp(player.heldAction); // one step held: one move
        player.heldAction = -1;
    }
    if (match.currentTeam != player.team)
    {
        player.wait = BannerWaitSteps; // the next banner of ours waits about a second
        return;
    }
    if (player.wait > 0)
    {
        --player.wait;
        return;
    }
    if (match.turnBanner)
    {
        player.heldAction = ActionOther;
        match.KeyDown(ActionOther); // takes the banner away
        player.wait = KeyGapSteps;
        return;
    }
    const auto selected = match.units.find(match.selectedId);
    if (match.movesLeft <= 0 || selected == match.units.end() || selected->second.busy > 0)
    {
        return; // the turn is settling, or the player is still moving
    }
    const Board board = match.CurrentBoard();
    const int piece = FindPiece(board, match.selectedId);
    player.heldAction = MoveAction(player.policy(board, piece, match.movesLeft));
    match.KeyDown(player.heldAction);
    player.wait = KeyGapSteps;
}
