// The join code: made from the system's secrets, shown, typed, compared; and the door.
#include "net/join_code.h"

#include <cstring>
#include <unistd.h>

const char JoinCodeAlphabet[JoinCodeSymbols + 1] = "0123456789abcdefghjkmnpqrstvwxyz";

bool MakeJoinCode(JoinCode& code)
{
    unsigned char bytes[JoinCodeLength];
    if (getentropy(bytes, sizeof bytes) != 0) // the page has it too
    {
        return false; // no secrets to be had
    }
    for (int n = 0; n < JoinCodeLength; ++n)
    {
        code.symbols[n] = bytes[n] % JoinCodeSymbols; // 256 is a multiple of 32: no bias
    }
    return true;
}

void FormatJoinCode(const JoinCode& code, char* text)
{
    for (int n = 0; n < JoinCodeLength; ++n)
    {
        text[n] = JoinCodeAlphabet[code.symbols[n] % JoinCodeSymbols];
    }
    text[JoinCodeLength] = '\0';
}

bool ParseJoinCode(const char* text, JoinCode& code)
{
    if (text == nullptr)
    {
        return false;
    }
    JoinCode read;
    int count = 0;
    for (const char* next = text; *next != '\0'; ++next)
    {
        char letter = *next;
        if (letter == ' ' || letter == '\t' || letter == '-')
        {
            continue; // how the code is grouped, on the screen or by whoever passed it on
        }
        if (letter >= 'A' && letter <= 'Z')
        {
            letter = static_cast<char>(letter - 'A' + 'a');
        }
        letter = letter == 'o'                    ? '0'
                 : letter == 'i' || letter == 'l' ? '1'
                 : letter == 'u'                  ? 'v'
                                                  : letter;
        const char* found = std::strchr(JoinCodeAlphabet, letter);
        if (found == nullptr || count == JoinCodeLength)
        {
            return false;
        }
        read.symbols[count++] = static_cast<unsigned char>(found - JoinCodeAlphabet);
    }
    if (count != JoinCodeLength)
    {
        return false;
    }
    code = read;
    return true;
}

bool SameJoinCode(const JoinCode& a, const JoinCode& b)
{
    // Every symbol is looked at, whatever came before it.
    volatile unsigned difference = 0;
    for (int n = 0; n < JoinCodeLength; ++n)
    {
        difference = difference | static_cast<unsigned>(a.symbols[n] ^ b.symbols[n]);
    }
    return difference == 0;
}

namespace
{
// Whether an entry still counts: a minute since its last wrong code has not passed.
bool Remembered(const DoorEntry& entry, unsigned now)
{
    return entry.address != 0 && now - entry.lastSeen < ShutOutMs;
}

DoorEntry* FindEntry(Door& door, std::uint32_t address, unsigned now)
{
    for (DoorEntry& entry : door.entries)
    {
        if (entry.address == address && Remembered(entry, now))
        {
            return &entry;
        }
    }
    return nullptr;
}

// An entry that no longer counts, else the one not shut out whose last wrong code is
// oldest; null while every one is shut out.
DoorEntry* FreeEntry(Door& door, unsigned now)
{
    DoorEntry* oldest = nullptr;
    for (DoorEntry& entry : door.entries)
    {
        if (!Remembered(entry, now))
        {
            return &entry;
        }
        if (!entry.shutOut && (oldest == nullptr || now - entry.lastSeen > now - oldest->lastSeen))
        {
            oldest = &entry;
        }
    }
    return oldest;
}
} // namespace

void ResetDoor(Door& door)
{
    std::memset(&door, 0, sizeof door);
}

bool DoorRefuses(Door& door, std::uint32_t address, unsigned now)
{
    const DoorEntry* entry = FindEntry(door, address, now);
    return entry != nullptr && entry->shutOut;
}

void CountWrongCode(Door& door, std::uint32_t address, unsigned now)
{
    DoorEntry* entry = FindEntry(door, address, now);
    if (entry == nullptr)
    {
        entry = FreeEntry(door, now);
        if (entry == nullptr)
        {
            return; // every address remembered is shut out: this one guesses uncounted
        }
        *entry = {address, 0, now, false};
    }
    if (entry->shutOut)
    {
        return; // refused already: its minute runs from the fifth
    }
    entry->lastSeen = now;
    entry->wrongCodes += 1;
    entry->shutOut = entry->wrongCodes >= WrongCodesAllowed;
}

void ForgiveAddress(Door& door, std::uint32_t address)
{
    for (DoorEntry& entry : door.entries)
    {
        if (entry.address == address)
        {
            entry = {};
        }
    }
}
