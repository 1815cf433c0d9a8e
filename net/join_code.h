// The join code that lets one friend in, and the host's door that counts wrong codes.
#pragma once

#include <cstdint>

constexpr int JoinCodeLength = 10;    // symbols of 5 bits each: 50 random bits
constexpr int JoinCodeSymbols = 32;   // the alphabet's size
constexpr int WrongCodesAllowed = 5;  // wrong codes from one address before it is shut out
constexpr unsigned ShutOutMs = 60000; // how long an address stays shut out
constexpr int DoorEntries = 256;      // addresses the door remembers at once

// The code's letters: digits and lower-case letters but i, l, o and u, which read like
// others (and are read as 1, 1, 0 and v when typed). Symbol n is JoinCodeAlphabet[n].
extern const char JoinCodeAlphabet[JoinCodeSymbols + 1];

struct JoinCode
{
    unsigned char symbols[JoinCodeLength]; // 0..31 each
};

// A new code from the system's generator of secrets (getrandom), never the game's Rand().
// Returns false when the system gives no random bytes; the code is then not to be used.
bool MakeJoinCode(JoinCode& code);

// The code as text: JoinCodeLength letters and a terminating zero.
void FormatJoinCode(const JoinCode& code, char* text);

// Reads a code as a person types or copies it: JoinCodeLength letters of the alphabet, in
// any case, with any spaces, tabs and hyphens between them; the letters that look like
// others are read as those (o as 0, i and l as 1, u as v). Returns false for anything else,
// leaving code as it was.
bool ParseJoinCode(const char* text, JoinCode& code);

// Whether two codes are the same, in a time that does not depend on where they differ.
bool SameJoinCode(const JoinCode& a, const JoinCode& b);

// What the door remembers of one address.
struct DoorEntry
{
    std::uint32_t address; // IPv4 address as the network layer reports it; 0 unused
    int wrongCodes;        // wrong codes since the last right one or the end of a shut-out
    unsigned lastSeen;     // ms, the last wrong code
    bool shutOut;          // refused until lastSeen + ShutOutMs
};

// The host's memory of wrong codes. Times are the caller's clock in ms (wrapping). An
// address is remembered until a minute has passed since its last wrong code (or its right
// code); nothing pushes a shut-out address out before, so a shut-out always runs its minute,
// however many addresses guess at once. While every entry is taken, a new address takes the
// place of the one whose last wrong code is oldest among those not shut out, and when every
// one is shut out its wrong codes go uncounted: a full door refuses no one who has the code.
struct Door
{
    DoorEntry entries[DoorEntries];
};

// Forgets every address.
void ResetDoor(Door& door);

// Whether an address is refused at time now: it gave WrongCodesAllowed wrong codes and the
// minute since the last of them has not passed.
bool DoorRefuses(Door& door, std::uint32_t address, unsigned now);

// Counts a wrong code from an address; the fifth shuts it out for ShutOutMs. Nothing is
// counted for a new address while every entry is shut out.
void CountWrongCode(Door& door, std::uint32_t address, unsigned now);

// A right code: the address's count of wrong codes starts again.
void ForgiveAddress(Door& door, std::uint32_t address);
