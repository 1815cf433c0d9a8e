// A meeting point in memory for the tests.
#include "tests/meet/fake_meet_link.h"

#include <cstdio>
#include <cstring>
#include <deque>

std::vector<FakeMessage> FakeSent;
std::vector<std::string> FakeListens;
bool FakeOpened;

namespace
{
MeetLine Line = MeetLine::Off;
std::deque<FakeMessage> Waiting;
} // namespace

void ResetFakeMeet()
{
    FakeSent.clear();
    FakeListens.clear();
    FakeOpened = false;
    Line = MeetLine::Off;
    Waiting.clear();
}

void SetFakeLine(MeetLine line)
{
    Line = line;
}

void DeliverFake(const std::string& subject, const std::vector<unsigned char>& bytes)
{
    Waiting.push_back({subject, bytes});
}

bool OpenMeet(const char* host, int port)
{
    if (FakeOpened || host[0] == '\0' || port < 1)
    {
        return false;
    }
    FakeOpened = true;
    Line = MeetLine::Connecting;
    return true;
}

MeetLine MeetLineNow()
{
    return Line;
}

unsigned MeetReconnects()
{
    return 0;
}

bool ListenMeet(const char* subject)
{
    if (Line != MeetLine::Up)
    {
        return false;
    }
    FakeListens.push_back(subject);
    return true;
}

bool SendMeet(const char* subject, const unsigned char* bytes, int size)
{
    FakeSent.push_back({subject, std::vector<unsigned char>(bytes, bytes + size)});
    return true;
}

bool TakeMeet(MeetDelivery& delivery)
{
    if (Waiting.empty())
    {
        return false;
    }
    const FakeMessage& next = Waiting.front();
    std::snprintf(delivery.subject, sizeof delivery.subject, "%s", next.subject.c_str());
    delivery.size = static_cast<int>(next.bytes.size());
    std::memcpy(delivery.bytes, next.bytes.data(), next.bytes.size());
    Waiting.pop_front();
    return true;
}

unsigned MeetDropped()
{
    return 0;
}

void CloseMeet()
{
    FakeOpened = false;
    Line = MeetLine::Off;
}
