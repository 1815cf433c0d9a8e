// A friend's key presses on their way to the host. The friend numbers each press and keeps
// reporting it with how long it has been held and how long ago it began, on both channels,
// until a while after it was let go; the host plays each press once, in order and as far
// apart as they came, and holds it as long as the friend did.
// So a down and an up that arrive together still make the press, a press whose up is lost
// is let go in time, and a key held on the friend's side repeats on the host only as far as
// the friend has said it is still held, give or take HoldTrustMs.
#pragma once

#include "net/messages.h"

constexpr unsigned HeldReportMs = 20;              // reports while a press is on record
constexpr unsigned HoldTrustMs = 2 * HeldReportMs; // a held key is trusted this long past the
                                                   // friend's last word that it held it
constexpr unsigned LetGoReportMs = 1000;           // a press let go stays on record this long
constexpr int MaxHeardPresses = 16;                // presses the host keeps at once

// The friend's side: its latest presses, oldest first.
struct FriendPress
{
    unsigned number; // 0..65535
    Key key;
    unsigned since;  // ms, when it went down
    bool released;   // let go
    unsigned heldMs; // released: how long it was held
};

struct FriendPresses
{
    unsigned next; // the number of the next press
    int count;     // 0..MaxReportedPresses
    FriendPress presses[MaxReportedPresses];
};

// Forgets every press; the next is number 0.
void ForgetFriendPresses(FriendPresses& presses);

// A key went down at time now (ms): a new press. The oldest press on record goes when there
// is no room, the oldest let go first.
void NotePress(FriendPresses& presses, Key key, unsigned now);

// A key came up: its oldest press still held is let go. Nothing when none is held.
void NoteRelease(FriendPresses& presses, Key key, unsigned now);

// Drops presses let go LetGoReportMs ago and more, then writes the rest as a report's presses
// into out (MaxReportedPresses); returns how many.
int ReportPresses(FriendPresses& presses, unsigned now, PressReport* out);

// The host's side: what it has heard of the friend's presses, oldest first.
enum class PressStage
{
    Waiting, // heard, not yet played
    Down,    // the match holds it (or took it, for keys that do not repeat)
    Paused,  // let go on the match for want of word that it was still held
    Up,      // played and let go
};

struct HeardPress
{
    unsigned number;
    Key key;
    bool released;   // the friend let go: heldMs is the whole press
    unsigned heldMs; // as long as the friend has said it held it
    PressStage stage;
    unsigned downAt;   // ms, when it went down on the match: the press's time runs from there
    unsigned downStep; // the match's step count then: it stays down for a step at least
    bool repeats;      // the match holds it as a key that acts again while held
    unsigned gapMs;    // how long after the press before it the friend pressed it, if heard
                       // in one report with that one; else 0
};

struct HeardPresses
{
    bool any;        // a press has been heard since the last ForgetHeardPresses
    unsigned newest; // the newest press's number
    int count;       // 0..MaxHeardPresses
    HeardPress presses[MaxHeardPresses];
    int lastDown; // the press NextPressChange last put down, -1 none
};

// What the match is to do with one of the friend's keys.
struct PressChange
{
    bool any; // false: nothing more now
    Key key;
    bool down;
};

// Forgets every press: a friend's new session numbers its presses from 0.
void ForgetHeardPresses(HeardPresses& heard);

// The presses of one report. A press not heard of before and newer than any heard is kept;
// the others update what the friend has said of theirs. A new press finds no room only while
// every kept one is still under way: it is then not kept.
void HearPresses(HeardPresses& heard, const PressReport* reports, int count);

// The next change for the match at time now, with the match's step count and whether the
// friend's player acts on its held keys in the next step (actsNext); call until none. A press
// goes down in order, gapMs after the one before it, once every earlier press of its key is
// up; and up once it has been down
// as long as the friend held it and for a step; a press that repeats is let go before its
// player acts again unless the friend has said it held it that long (HoldTrustMs less), and
// taken up again when it says so.
PressChange NextPressChange(HeardPresses& heard, unsigned now, unsigned steps, bool actsNext);

// The press that NextPressChange just put down repeats on the match (a held key that acts
// again), or not.
void NoteRepeats(HeardPresses& heard, bool repeats);

// The match holds none of the friend's keys any more (its turn passed, or a new match): no
// press is taken up again.
void LetGoRepeats(HeardPresses& heard);
