// A meeting point in memory for the tests, in place of the libnats edge: what the game sends is
// kept in order, what the test delivers is taken by the game, and the line is what the test
// sets.
#pragma once

#include "net/meet_link.h"

#include <string>
#include <vector>

struct FakeMessage
{
    std::string subject;
    std::vector<unsigned char> bytes;
};

extern std::vector<FakeMessage> FakeSent;    // what the game sent, oldest first
extern std::vector<std::string> FakeListens; // the subjects it listens on
extern bool FakeOpened;                      // OpenMeet was called and CloseMeet not since

// Forgets everything; the line Off.
void ResetFakeMeet();

// The line as the game will see it.
void SetFakeLine(MeetLine line);

// A message the game takes with its next TakeMeet.
void DeliverFake(const std::string& subject, const std::vector<unsigned char>& bytes);
