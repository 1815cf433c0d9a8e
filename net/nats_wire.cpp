// Reading the meeting point's protocol and writing its commands.
#include "net/nats_wire.h"

#include <cstdio>
#include <cstring>

namespace
{
// Where the first line of the buffer ends (its LF), or -1 when it has none yet.
int FindLineEnd(const NatsReader& reader)
{
    const void* end = std::memchr(reader.buffer, '\n', static_cast<std::size_t>(reader.filled));
    return end == nullptr
               ? -1
               : static_cast<int>(static_cast<const unsigned char*>(end) - reader.buffer);
}

void Consume(NatsReader& reader, int count)
{
    std::memmove(reader.buffer, reader.buffer + count,
                 static_cast<std::size_t>(reader.filled - count));
    reader.filled -= count;
}

// Whether the line (length bytes, CR LF cut off) starts with the operation, in any case,
// followed by its end or a space.
bool IsOperation(const char* line, int length, const char* operation)
{
    const int size = static_cast<int>(std::strlen(operation));
    if (length < size || (length > size && line[size] != ' ' && line[size] != '\t'))
    {
        return false;
    }
    for (int n = 0; n < size; ++n)
    {
        char c = line[n];
        c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
        if (c != operation[n])
        {
            return false;
        }
    }
    return true;
}

constexpr int MaxMessageWords = 5; // MSG, subject, sid, reply-to, size

// Splits the line into words at spaces and tabs; returns how many (at most MaxMessageWords + 1,
// so that one too many shows).
int SplitWords(const char* line, int length, const char** words, int* sizes)
{
    int count = 0;
    for (int n = 0; n < length && count <= MaxMessageWords;)
    {
        if (line[n] == ' ' || line[n] == '\t')
        {
            ++n;
            continue;
        }
        const int start = n;
        while (n < length && line[n] != ' ' && line[n] != '\t')
        {
            ++n;
        }
        words[count] = line + start;
        sizes[count++] = n - start;
    }
    return count;
}

// A size of at most nine decimal digits; -1 when the word is not one.
long long ReadSize(const char* word, int size)
{
    if (size < 1 || size > 9)
    {
        return -1;
    }
    long long value = 0;
    for (int n = 0; n < size; ++n)
    {
        if (word[n] < '0' || word[n] > '9')
        {
            return -1;
        }
        value = value * 10 + (word[n] - '0');
    }
    return value;
}

bool SubjectLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '_';
}

// The length of a subject the game uses, or 0 when it is not one.
int SubjectLength(const char* subject)
{
    int length = 0;
    while (length < MeetSubjectBytes && subject[length] != '\0')
    {
        if (!SubjectLetter(subject[length]))
        {
            return 0;
        }
        ++length;
    }
    return length < MeetSubjectBytes ? length : 0;
}

int WriteText(char* out, int capacity, const char* text)
{
    const int length = static_cast<int>(std::strlen(text));
    if (length > capacity)
    {
        return 0;
    }
    std::memcpy(out, text, static_cast<std::size_t>(length));
    return length;
}

// A MSG line (line, length bytes, CR LF cut off, lineBytes with them) and what follows it.
NatsEvent ReadMessage(NatsReader& reader, const char* line, int length, int lineBytes,
                      NatsMessage& message)
{
    const char* words[MaxMessageWords + 1];
    int sizes[MaxMessageWords + 1];
    const int count = SplitWords(line, length, words, sizes);
    const long long size =
        count == 4 || count == 5 ? ReadSize(words[count - 1], sizes[count - 1]) : -1;
    if (size < 0)
    {
        reader.broken = true;
        return NatsEvent::Broken;
    }
    const bool fits = sizes[1] < MeetSubjectBytes && size <= MaxMeetPayload;
    if (!fits)
    {
        Consume(reader, lineBytes);
        reader.skipping = size + 2; // the message and its CR LF
        return NatsEvent::Dropped;
    }
    const int whole = lineBytes + static_cast<int>(size) + 2;
    if (reader.filled < whole)
    {
        return NatsEvent::None; // the rest is on its way
    }
    const unsigned char* payload = reader.buffer + lineBytes;
    if (payload[size] != '\r' || payload[size + 1] != '\n')
    {
        reader.broken = true;
        return NatsEvent::Broken;
    }
    std::memcpy(message.subject, words[1], static_cast<std::size_t>(sizes[1]));
    message.subject[sizes[1]] = '\0';
    message.size = static_cast<int>(size);
    std::memcpy(message.bytes, payload, static_cast<std::size_t>(size));
    Consume(reader, whole);
    return NatsEvent::Message;
}
} // namespace

void ResetNatsReader(NatsReader& reader)
{
    reader.filled = 0;
    reader.skipping = 0;
    reader.broken = false;
}

int FeedNats(NatsReader& reader, const unsigned char* bytes, int size)
{
    const int taken = size < 0                                 ? 0
                      : size < NatsBufferBytes - reader.filled ? size
                                                               : NatsBufferBytes - reader.filled;
    std::memcpy(reader.buffer + reader.filled, bytes, static_cast<std::size_t>(taken));
    reader.filled += taken;
    return taken;
}

NatsEvent ReadNats(NatsReader& reader, NatsMessage& message)
{
    if (reader.broken)
    {
        return NatsEvent::Broken;
    }
    if (reader.skipping > 0)
    {
        const int passed =
            reader.skipping < reader.filled ? static_cast<int>(reader.skipping) : reader.filled;
        Consume(reader, passed);
        reader.skipping -= passed;
        if (reader.skipping > 0)
        {
            return NatsEvent::None;
        }
    }
    const int end = FindLineEnd(reader);
    if (end < 0 || end >= NatsLineBytes)
    {
        reader.broken = end >= NatsLineBytes || reader.filled >= NatsLineBytes;
        return reader.broken ? NatsEvent::Broken : NatsEvent::None;
    }
    const char* line = reinterpret_cast<const char*>(reader.buffer);
    const int length = end > 0 && line[end - 1] == '\r' ? end - 1 : end;
    const int lineBytes = end + 1;
    if (IsOperation(line, length, "MSG"))
    {
        return ReadMessage(reader, line, length, lineBytes, message);
    }
    constexpr struct
    {
        const char* operation;
        NatsEvent event;
    } Lines[] = {
        {"INFO", NatsEvent::Info}, {"PING", NatsEvent::Ping},  {"PONG", NatsEvent::Pong},
        {"+OK", NatsEvent::Ok},    {"-ERR", NatsEvent::Error},
    };
    for (const auto& known : Lines)
    {
        if (IsOperation(line, length, known.operation))
        {
            Consume(reader, lineBytes);
            return known.event;
        }
    }
    reader.broken = true;
    return NatsEvent::Broken;
}

int WriteNatsConnect(char* out, int capacity)
{
    // No echo of our own messages, no +OK for each command, no headers.
    return WriteText(out, capacity,
                     "CONNECT {\"verbose\":false,\"pedantic\":false,\"tls_required\":false,"
                     "\"name\":\"tumblequay\",\"lang\":\"c++\",\"version\":\"1\",\"protocol\":1,"
                     "\"echo\":false,\"headers\":false}\r\n");
}

int WriteNatsListen(char* out, int capacity, const char* subject, int sid)
{
    if (SubjectLength(subject) == 0 || sid < 1)
    {
        return 0;
    }
    char line[MeetSubjectBytes + 32];
    std::snprintf(line, sizeof line, "SUB %s %d\r\n", subject, sid);
    return WriteText(out, capacity, line);
}

int WriteNatsPublish(char* out, int capacity, const char* subject, const unsigned char* bytes,
                     int size)
{
    if (SubjectLength(subject) == 0 || size < 0 || size > MaxMeetPayload)
    {
        return 0;
    }
    char line[MeetSubjectBytes + 32];
    const int length = std::snprintf(line, sizeof line, "PUB %s %d\r\n", subject, size);
    if (length + size + 2 > capacity)
    {
        return 0;
    }
    std::memcpy(out, line, static_cast<std::size_t>(length));
    std::memcpy(out + length, bytes, static_cast<std::size_t>(size));
    std::memcpy(out + length + size, "\r\n", 2);
    return length + size + 2;
}

int WriteNatsPing(char* out, int capacity)
{
    return WriteText(out, capacity, "PING\r\n");
}

int WriteNatsPong(char* out, int capacity)
{
    return WriteText(out, capacity, "PONG\r\n");
}
