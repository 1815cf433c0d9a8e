// The shell: the title screen or one match, what keys do in each, and the steps of an
// iteration of the main loop between polling and drawing.
#pragma once

#include "app/key_holds.h"
#include "computer/pace.h"
#include "match/controls.h"

class GameState;
class GameTitle;

// Shell state, main thread only.
extern GameState* CurrentScene;  // the live match, owned here; null on the title screen
extern bool MatchRunning;        // a match scene exists and is shown
extern bool QuitRequested;       // Escape on the title screen: the loop ends
extern unsigned SceneClock;      // steps the scene is to have taken
extern bool PrintScreenHeld;     // Print Screen is down: its repeats take no more screenshots
extern bool SwitchKeyHeld;       // Alt+Enter is down: its repeats switch no more
extern GameTitle* ComputerMatch; // the running match when the computer plays in it, else null
extern ComputerPlayer Computer;  // the computer's place at the keys in ComputerMatch
extern bool FriendJoined;        // hosting, with a friend in: a key starts a match against them
extern GameTitle* FriendMatch;   // the running match when a friend plays in it, else null
extern bool MatchPaused;         // the match of this machine's waits: no step, no sound moves
extern bool RulesShown;          // the rules page stands in place of the title screen

// What the window side must do after a key press.
enum class KeyResponse
{
    None,
    TakeScreenshot, // Print Screen: read the screen back and save it
    MatchStarted,   // a match began: turn key repeat off for good
    SwitchScreen,   // Alt+Enter: switch between full screen and the window
};

// Back to the title screen with no scene, no quit request and no friend joined. A live scene is
// destroyed first, so this also ends a match left running when the window closes.
void ResetShell();

// A key went down: Escape leaves the match or, on the title screen, asks to quit;
// Print Screen asks for one screenshot per press (the repeats of a held key, or of one
// whose release waits behind a slow screenshot, take none); Alt+Enter asks to switch the
// screen once per press and Alt alone does nothing, neither reaching the match nor
// starting one; any other key goes to the match as its action, or on the title screen
// starts a match (and is not passed on): the keys 1, 2 and 3 a match against the easy, the
// normal and the hard computer, any other a match of two people. In the computer's turn the
// person's keys do nothing. While a friend is joined, any key starts a match against the
// friend, in which these keys act only in the host's team's turn. A key that the source holds
// already (a repeat), or that the other source holds, does not reach the match again.
// Beside the match: a new press of a sound key (mute, volume down, up) sets the sound wherever
// it is pressed and reaches no match; the pause key pauses and resumes a match against the
// computer or of two people (in a friend's match and on the title screen it does nothing, in a
// replay it acts as Space); while paused, only Escape, Print Screen, Alt+Enter, the sound keys
// and the pause key act, and presses reach no match. On the title screen the rules key shows
// the rules page, before any key could start a match; there any new press but Print Screen,
// Alt, Alt+Enter and the sound keys returns to the title screen (Escape too) and does nothing
// else.
KeyResponse HandleKeyDown(Key key, KeySource source = KeySource::Keyboard);

// A key of the friend's, from the network: on the title screen a press starts a match
// against the friend; in that match it acts as HandleKeyDown or HandleKeyUp would, but only
// in the friend's team's turn. Otherwise it does nothing. The friend's keys are held apart
// from the host's: a press of a key the friend holds already is no new press.
KeyResponse HandleFriendKey(Key key, bool down);

// A friend came or went: none of the friend's keys is held.
void ForgetFriendKeys();

// A key came up: in a match, KeyUp for every action the key has and then always for
// ActionOther; otherwise, and for Alt, Alt+Enter, the sound keys and the pause key, ignored,
// but for ending a press of Print Screen. Any release ends a press of Alt+Enter, since Enter may
// come up after Alt and so without it. (A key of the computer's acts in the step right after its
// press, before a release could take it away.) A key the other source still holds stays held. A
// release read before the match took a step since the key's press waits for that step, so
// that a tap the loop reads in one go still makes its move.
void HandleKeyUp(Key key, KeySource source = KeySource::Keyboard);

// Makes scene the running match: asks for the echo to be halved, restarts SceneClock
// and steps the scene once at once. The shell owns and later deletes the scene.
void StartScene(GameState* scene);

// Starts a new match scene; against the computer at the level, which plays team 1, unless
// the level is LevelNone, else against the friend when one is joined.
void StartMatch(ComputerLevel level);

// Destroys the match scene and returns to the title screen, not paused.
void LeaveMatch();

// Steps the scene until its step count has caught up with SceneClock + steps; in a match
// against the computer, the computer has its look at the keys before each step.
void StepScene(int steps);

// The steps of one iteration after polling: the match catches up and ends if it has
// finished, the palette drifts once per step, and the audio side gets this iteration's
// status; the sound's notice counts down. While the match is paused none of the steps is
// taken, the palette holds, and the audio side is told to hold the sound. Called once per
// iteration with 0..32 steps.
void RunSteps(int steps);

// Draws the frame into the cleared canvas: the match, with a replay's marks or "paused" over it,
// or else the rules page or the title screen; the sound's notice over either.
void DrawFrame();
