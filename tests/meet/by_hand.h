// For the tests of the keys and the meeting point: bytes as hex, and a host's answer sealed by
// hand with the right keys around any inside, as only someone with the code could make it.
#pragma once

#include "net/meet.h"

#include <cstring>
#include <string>

// The key of a code as the game makes it.
inline CodeKey KeyOf(const char* text)
{
    JoinCode code;
    CodeKey key = {};
    ParseJoinCode(text, code);
    DeriveCodeKey(code, key);
    return key;
}

inline std::string Hex(const unsigned char* bytes, int size)
{
    std::string text;
    for (int n = 0; n < size; ++n)
    {
        constexpr char Digits[] = "0123456789abcdef";
        text += Digits[bytes[n] >> 4];
        text += Digits[bytes[n] & 15];
    }
    return text;
}

// An answer to the friend's knock that holds size bytes of plain (at most AnswerPlainBytes) as
// its sealed inside, written to out (MaxAnswerBytes); its length.
inline int AnswerByHand(const CodeKey& key, const MeetFriend& joining, const unsigned char* plain,
                        int size, unsigned char* out)
{
    const unsigned char hostSalt[SaltBytes] = {3};
    SealKey sealKey;
    DeriveSealKey(key, SealDirection::HostToFriend, hostSalt, joining.salt, sealKey);
    Sealer sealer;
    StartSealer(sealer, sealKey);
    unsigned char header[1 + ConversationBytes + SaltBytes] = {'A'};
    std::memcpy(header + 1, joining.id, ConversationBytes);
    std::memcpy(header + 1 + ConversationBytes, hostSalt, SaltBytes);
    out[0] = 'A';
    std::memcpy(out + 1, hostSalt, SaltBytes);
    return 1 + SaltBytes + Seal(sealer, header, sizeof header, plain, size, out + 1 + SaltBytes);
}
