// Meeting through a meeting point: knocks, answers and sealed messages, checked whole.
#include "net/meet.h"

#include <cstdio>
#include <cstring>

namespace
{
constexpr unsigned char KnockKind = 'K';
constexpr unsigned char AnswerKind = 'A';
constexpr unsigned char DataKind = 'D';

void WriteHex(const unsigned char* bytes, int size, char* text)
{
    constexpr char Digits[] = "0123456789abcdef";
    for (int n = 0; n < size; ++n)
    {
        text[2 * n] = Digits[bytes[n] >> 4];
        text[2 * n + 1] = Digits[bytes[n] & 15];
    }
}

// "tq.<name>", or with a conversation "tq.<name>.<conversation>".
void MakeSubject(const CodeKey& key, const unsigned char* conversation, char* subject)
{
    char name[MeetNameLength + 1];
    DeriveMeetName(key, name);
    std::snprintf(subject, MeetSubjectBytes, "tq.%s", name);
    if (conversation != nullptr)
    {
        char* at = subject + 3 + MeetNameLength;
        *at++ = '.';
        WriteHex(conversation, ConversationBytes, at);
        at[ConversationLength] = 0;
    }
}

int MakeHeader(unsigned char kind, const unsigned char* conversation, const unsigned char* salt,
               unsigned char* header)
{
    header[0] = kind;
    std::memcpy(header + 1, conversation, ConversationBytes);
    if (salt == nullptr)
    {
        return DataHeaderBytes;
    }
    std::memcpy(header + DataHeaderBytes, salt, SaltBytes);
    return DataHeaderBytes + SaltBytes;
}

bool Reachable(const MeetAddress& address)
{
    return address.address != 0 && address.port >= 1 && address.port <= 65535;
}

int FindConversation(const MeetHost& host, const unsigned char* id)
{
    for (int n = 0; n < MaxMeetConversations; ++n)
    {
        if (host.conversations[n].used &&
            std::memcmp(host.conversations[n].id, id, ConversationBytes) == 0)
        {
            return n;
        }
    }
    return -1;
}

bool KnockSeen(const MeetHost& host, const unsigned char* salt)
{
    for (int n = 0; n < host.recentCount; ++n)
    {
        if (std::memcmp(host.recent[n], salt, SaltBytes) == 0)
        {
            return true;
        }
    }
    return false;
}

// The answer to a conversation's knock, sealed with the next counter: its length.
int MakeAnswer(MeetHost& host, MeetConversation& talk, unsigned char* out)
{
    unsigned char plain[AnswerPlainBytes];
    plain[0] = MeetVersion;
    plain[1] = static_cast<unsigned char>(host.addressCount);
    int size = 2;
    for (int n = 0; n < host.addressCount; ++n)
    {
        const MeetAddress& address = host.addresses[n];
        for (int b = 0; b < 4; ++b)
        {
            plain[size++] = static_cast<unsigned char>(address.address >> (24 - 8 * b));
        }
        plain[size++] = static_cast<unsigned char>(address.port >> 8);
        plain[size++] = static_cast<unsigned char>(address.port);
    }
    unsigned char header[DataHeaderBytes + SaltBytes];
    const int headerSize = MakeHeader(AnswerKind, talk.id, talk.salt, header);
    out[0] = AnswerKind;
    std::memcpy(out + 1, talk.salt, SaltBytes);
    const int sealed = Seal(talk.toFriend, header, headerSize, plain, size, out + 1 + SaltBytes);
    return sealed == 0 ? 0 : 1 + SaltBytes + sealed;
}

MeetHostHeard HearKnock(MeetHost& host, const unsigned char* bytes, unsigned now,
                        unsigned char* out)
{
    const unsigned char* id = bytes + 2;
    const unsigned char* salt = id + ConversationBytes;
    unsigned char proof[KnockProofBytes];
    MakeKnockProof(host.key, id, ConversationBytes + SaltBytes, proof);
    if (!SameProof(proof, salt + SaltBytes))
    {
        return {MeetHeard::Nothing, -1, 0}; // not from someone with the code
    }
    int found = FindConversation(host, id);
    if (found >= 0)
    {
        MeetConversation& talk = host.conversations[found];
        if (talk.heard || now - talk.lastAnswer < MeetKnockEveryMs)
        {
            return {MeetHeard::Nothing, -1, 0}; // answered lately, or the friend has the keys
        }
        talk.lastAnswer = now;
        const int size = MakeAnswer(host, talk, out);
        return {size > 0 ? MeetHeard::Answer : MeetHeard::Nothing, found, size};
    }
    if (KnockSeen(host, salt))
    {
        return {MeetHeard::Nothing, -1, 0}; // played back after its conversation ended
    }
    for (found = 0; found < MaxMeetConversations && host.conversations[found].used; ++found)
    {
    }
    if (found == MaxMeetConversations)
    {
        return {MeetHeard::Nothing, -1, 0}; // every conversation taken
    }
    MeetConversation& talk = host.conversations[found];
    if (!DrawSecret(talk.salt, SaltBytes))
    {
        return {MeetHeard::Nothing, -1, 0}; // no salt, no answer
    }
    std::memcpy(talk.id, id, ConversationBytes);
    MakeSubject(host.key, id, talk.subject);
    SealKey key;
    DeriveSealKey(host.key, SealDirection::HostToFriend, talk.salt, salt, key);
    StartSealer(talk.toFriend, key);
    DeriveSealKey(host.key, SealDirection::FriendToHost, talk.salt, salt, key);
    StartOpener(talk.fromFriend, key);
    talk.used = true;
    talk.heard = false;
    talk.since = now;
    talk.lastAnswer = now;
    std::memcpy(host.recent[host.recentNext], salt, SaltBytes);
    host.recentNext = (host.recentNext + 1) % RecentKnocks;
    host.recentCount += host.recentCount < RecentKnocks;
    const int size = MakeAnswer(host, talk, out);
    return {size > 0 ? MeetHeard::Answer : MeetHeard::Nothing, found, size};
}
} // namespace

void StartMeetHost(MeetHost& host, const CodeKey& key)
{
    std::memset(&host, 0, sizeof host);
    host.key = key;
    MakeSubject(key, nullptr, host.subject);
}

void SetMeetAddresses(MeetHost& host, const MeetAddress* addresses, int count)
{
    host.addressCount = 0;
    for (int n = 0; n < count && host.addressCount < MaxMeetAddresses; ++n)
    {
        if (Reachable(addresses[n]))
        {
            host.addresses[host.addressCount++] = addresses[n];
        }
    }
}

MeetHostHeard HearAtHost(MeetHost& host, const unsigned char* bytes, std::size_t size, unsigned now,
                         unsigned char* out, unsigned char* plain)
{
    if (size == KnockBytes && bytes[0] == KnockKind)
    {
        return HearKnock(host, bytes, now, out);
    }
    if (size < static_cast<std::size_t>(DataHeaderBytes) || bytes[0] != DataKind)
    {
        return {MeetHeard::Nothing, -1, 0}; // none of ours
    }
    const int found = FindConversation(host, bytes + 1);
    if (found < 0)
    {
        return {MeetHeard::Nothing, -1, 0}; // no such conversation
    }
    MeetConversation& talk = host.conversations[found];
    const int length = Open(talk.fromFriend, bytes, DataHeaderBytes, bytes + DataHeaderBytes,
                            size - DataHeaderBytes, plain, MaxMeetPlain);
    if (length < 0)
    {
        return {MeetHeard::Nothing, -1, 0}; // forged, damaged or played back
    }
    talk.heard = true;
    return {MeetHeard::Message, found, length};
}

int SealForFriend(MeetHost& host, int conversation, const unsigned char* plain, int size,
                  unsigned char* out)
{
    if (conversation < 0 || conversation >= MaxMeetConversations ||
        !host.conversations[conversation].used || size < 0 || size > MaxMeetPlain)
    {
        return 0;
    }
    MeetConversation& talk = host.conversations[conversation];
    unsigned char header[DataHeaderBytes];
    MakeHeader(DataKind, talk.id, nullptr, header);
    out[0] = DataKind;
    const int sealed = Seal(talk.toFriend, header, DataHeaderBytes, plain, size, out + 1);
    return sealed == 0 ? 0 : 1 + sealed;
}

void EndConversation(MeetHost& host, int conversation)
{
    if (conversation >= 0 && conversation < MaxMeetConversations)
    {
        std::memset(&host.conversations[conversation], 0, sizeof host.conversations[0]);
    }
}

void TickMeetHost(MeetHost& host, unsigned now)
{
    for (int n = 0; n < MaxMeetConversations; ++n)
    {
        const MeetConversation& talk = host.conversations[n];
        if (talk.used && !talk.heard && now - talk.since >= MeetKnockWaitMs)
        {
            EndConversation(host, n);
        }
    }
}

bool WorthTrying(const MeetAddress& address, const std::uint32_t* own, int count)
{
    const std::uint32_t at = address.address;
    const bool home = (at >> 24) == 10 || (at >> 20) == (172u << 4 | 1) ||
                      (at >> 16) == (192u << 8 | 168) || (at >> 22) == (100u << 2 | 1) ||
                      (at >> 16) == (169u << 8 | 254);
    bool near = false;
    for (int n = 0; n < count; ++n)
    {
        if (own[n] == at)
        {
            return false; // ourselves
        }
        near = near || (own[n] >> 8) == (at >> 8);
    }
    return !home || near;
}

bool StartMeetFriend(MeetFriend& joining, const CodeKey& key, unsigned now)
{
    std::memset(&joining, 0, sizeof joining);
    joining.key = key;
    joining.stage = MeetStage::Connecting;
    joining.since = now;
    if (!DrawSecret(joining.id, ConversationBytes) || !DrawSecret(joining.salt, SaltBytes))
    {
        return false;
    }
    MakeSubject(key, nullptr, joining.hostSubject);
    MakeSubject(key, joining.id, joining.ownSubject);
    return true;
}

MeetStep TickMeetFriend(MeetFriend& joining, bool connected, unsigned now, unsigned char* out)
{
    if (joining.stage == MeetStage::Connecting)
    {
        if (!connected)
        {
            if (now - joining.since >= MeetConnectWaitMs)
            {
                joining.stage = MeetStage::Unreachable;
            }
            return {MeetOrder::None, nullptr, 0};
        }
        joining.stage = MeetStage::Knocking;
        joining.since = now;
        return {MeetOrder::Subscribe, joining.ownSubject, 0};
    }
    if (joining.stage != MeetStage::Knocking)
    {
        return {MeetOrder::None, nullptr, 0};
    }
    if (now - joining.since >= MeetAnswerWaitMs)
    {
        joining.stage = MeetStage::NoAnswer;
        return {MeetOrder::None, nullptr, 0};
    }
    if (!connected || (joining.knocked && now - joining.lastKnock < MeetKnockEveryMs))
    {
        return {MeetOrder::None, nullptr, 0}; // a knock now would be lost, or one is on its way
    }
    out[0] = KnockKind;
    out[1] = MeetVersion;
    std::memcpy(out + 2, joining.id, ConversationBytes);
    std::memcpy(out + 2 + ConversationBytes, joining.salt, SaltBytes);
    MakeKnockProof(joining.key, out + 2, ConversationBytes + SaltBytes,
                   out + 2 + ConversationBytes + SaltBytes);
    joining.knocked = true;
    joining.lastKnock = now;
    return {MeetOrder::Publish, joining.hostSubject, KnockBytes};
}

MeetHostHeard HearAtFriend(MeetFriend& joining, const unsigned char* bytes, std::size_t size,
                           unsigned char* plain)
{
    if (joining.stage == MeetStage::Knocking && size > 1 + SaltBytes &&
        size <= static_cast<std::size_t>(MaxAnswerBytes) && bytes[0] == AnswerKind)
    {
        const unsigned char* hostSalt = bytes + 1;
        SealKey key;
        DeriveSealKey(joining.key, SealDirection::HostToFriend, hostSalt, joining.salt, key);
        Opener opener;
        StartOpener(opener, key);
        unsigned char header[DataHeaderBytes + SaltBytes];
        const int headerSize = MakeHeader(AnswerKind, joining.id, hostSalt, header);
        unsigned char answer[AnswerPlainBytes];
        const int length = Open(opener, header, headerSize, bytes + 1 + SaltBytes,
                                size - 1 - SaltBytes, answer, AnswerPlainBytes);
        if (length < 2)
        {
            return {MeetHeard::Nothing, -1, 0}; // not from the host
        }
        if (answer[0] != MeetVersion)
        {
            joining.stage = MeetStage::OtherVersion;
            return {MeetHeard::Nothing, -1, 0};
        }
        if (answer[1] > MaxMeetAddresses || length != 2 + 6 * answer[1])
        {
            return {MeetHeard::Nothing, -1, 0}; // sealed by the host, yet not an answer
        }
        joining.addressCount = 0;
        for (int n = 0; n < answer[1]; ++n)
        {
            const unsigned char* at = answer + 2 + 6 * n;
            const MeetAddress address = {static_cast<std::uint32_t>(at[0]) << 24 |
                                             static_cast<std::uint32_t>(at[1]) << 16 |
                                             static_cast<std::uint32_t>(at[2]) << 8 | at[3],
                                         at[4] << 8 | at[5]};
            if (Reachable(address))
            {
                joining.addresses[joining.addressCount++] = address;
            }
        }
        joining.fromHost = opener;
        DeriveSealKey(joining.key, SealDirection::FriendToHost, hostSalt, joining.salt, key);
        StartSealer(joining.toHost, key);
        joining.stage = MeetStage::Answered;
        return {MeetHeard::Answer, 0, 0};
    }
    if (joining.stage != MeetStage::Answered || size < 1 || bytes[0] != DataKind)
    {
        return {MeetHeard::Nothing, -1, 0}; // none of ours, or not yet
    }
    unsigned char header[DataHeaderBytes];
    MakeHeader(DataKind, joining.id, nullptr, header);
    const int length =
        Open(joining.fromHost, header, DataHeaderBytes, bytes + 1, size - 1, plain, MaxMeetPlain);
    if (length < 0)
    {
        return {MeetHeard::Nothing, -1, 0}; // forged, damaged or played back
    }
    return {MeetHeard::Message, 0, length};
}

int SealForHost(MeetFriend& joining, const unsigned char* plain, int size, unsigned char* out)
{
    if (joining.stage != MeetStage::Answered || size < 0 || size > MaxMeetPlain)
    {
        return 0;
    }
    out[0] = DataKind;
    std::memcpy(out + 1, joining.id, ConversationBytes);
    const int sealed =
        Seal(joining.toHost, out, DataHeaderBytes, plain, size, out + DataHeaderBytes);
    return sealed == 0 ? 0 : DataHeaderBytes + sealed;
}
