// The meeting point's protocol as the page reads and writes it: what the server may send, in
// any split, and what is refused or skipped.
#include "net/nats_wire.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace
{
struct Heard
{
    NatsEvent event;
    std::string subject;
    std::string bytes;
};

// Everything the text holds, fed in pieces of step bytes.
std::vector<Heard> ReadAll(const std::string& text, int step)
{
    static NatsReader reader;
    static NatsMessage message;
    ResetNatsReader(reader);
    std::vector<Heard> heard;
    std::size_t at = 0;
    for (;;)
    {
        const NatsEvent event = ReadNats(reader, message);
        if (event == NatsEvent::None)
        {
            if (at >= text.size())
            {
                return heard;
            }
            const int size = static_cast<int>(std::min<std::size_t>(step, text.size() - at));
            at += FeedNats(reader, reinterpret_cast<const unsigned char*>(text.data() + at), size);
            continue;
        }
        heard.push_back({event, event == NatsEvent::Message ? message.subject : "",
                         event == NatsEvent::Message
                             ? std::string(reinterpret_cast<char*>(message.bytes), message.size)
                             : ""});
        if (event == NatsEvent::Broken)
        {
            return heard;
        }
    }
}

std::string Events(const std::vector<Heard>& heard)
{
    std::string said;
    for (const Heard& one : heard)
    {
        constexpr const char* Names[] = {"none", "info", "msg",  "ping",  "pong",
                                         "ok",   "err",  "drop", "broken"};
        said += Names[static_cast<int>(one.event)];
        said += one.event == NatsEvent::Message ? "(" + one.subject + ":" + one.bytes + ")" : "";
        said += " ";
    }
    return said;
}
} // namespace

TEST(NatsWire, ReadsWhatTheServerSaysInAnySplit)
{
    const std::string text = "INFO {\"server_id\":\"x\",\"max_payload\":16384}\r\n"
                             "PING\r\nmsg tq.ab 1 5\r\nhe\r\no\r\n+OK\r\n"
                             "MSG tq.ab.cd 2 reply.to 0\r\n\r\n-ERR 'Permissions Violation'\r\n"
                             "PONG\n";
    for (int step : {1, 2, 3, 7, 64, 4096})
    {
        EXPECT_EQ(Events(ReadAll(text, step)),
                  "info ping msg(tq.ab:he\r\no) ok msg(tq.ab.cd:) err pong ")
            << "in pieces of " << step;
    }
}

TEST(NatsWire, BreaksOnWhatIsNotTheProtocol)
{
    const std::string cases[] = {
        "HELLO\r\n",                              // no such operation
        "PINGS\r\n",                              // not PING
        "MSG tq.a 1\r\n",                         // no size
        "MSG tq.a 1 x\r\n",                       // not a size
        "MSG tq.a 1 -1\r\n",                      // not a size
        "MSG tq.a 1 2 3 4\r\n",                   // too many words
        "MSG tq.a 1 3\r\nabcXY",                  // the message without its CR LF
        "MSG tq.a 1 1234567890\r\n",              // a size of ten digits
        std::string(NatsLineBytes, 'I') + "\r\n", // a line too long
        std::string(NatsLineBytes + 10, 'I'),     // and still without its end
    };
    for (const std::string& text : cases)
    {
        const std::vector<Heard> heard = ReadAll(text, 5);
        ASSERT_FALSE(heard.empty()) << text.substr(0, 40);
        EXPECT_EQ(heard.back().event, NatsEvent::Broken) << text.substr(0, 40);
    }
    // Once broken, it stays broken until the reset.
    NatsReader reader;
    NatsMessage message;
    ResetNatsReader(reader);
    FeedNats(reader, reinterpret_cast<const unsigned char*>("BAD\r\nPING\r\n"), 11);
    EXPECT_EQ(ReadNats(reader, message), NatsEvent::Broken);
    EXPECT_EQ(ReadNats(reader, message), NatsEvent::Broken);
    ResetNatsReader(reader);
    FeedNats(reader, reinterpret_cast<const unsigned char*>("PING\r\n"), 6);
    EXPECT_EQ(ReadNats(reader, message), NatsEvent::Ping);
}

TEST(NatsWire, SkipsMessagesTooLongForUsAndGoesOn)
{
    const std::string big(MaxMeetPayload + 1, 'x');
    const std::string longSubject(MeetSubjectBytes, 's');
    const std::string text = "MSG tq.a 1 " + std::to_string(big.size()) + "\r\n" + big + "\r\n" +
                             "MSG " + longSubject + " 1 2\r\nhi\r\n" + "MSG tq.a 1 " +
                             std::to_string(MaxMeetPayload) + "\r\n" +
                             std::string(MaxMeetPayload, 'y') + "\r\nPING\r\n";
    for (int step : {1000, 65536})
    {
        const std::vector<Heard> heard = ReadAll(text, step);
        ASSERT_EQ(heard.size(), 4u) << Events(heard);
        EXPECT_EQ(heard[0].event, NatsEvent::Dropped);
        EXPECT_EQ(heard[1].event, NatsEvent::Dropped);
        EXPECT_EQ(heard[2].event, NatsEvent::Message);
        EXPECT_EQ(heard[2].bytes, std::string(MaxMeetPayload, 'y'));
        EXPECT_EQ(heard[3].event, NatsEvent::Ping);
    }
}

TEST(NatsWire, WritesNothingPastTheMessage)
{
    static NatsReader reader;
    static NatsMessage message;
    std::memset(&message, 0xa5, sizeof message);
    ResetNatsReader(reader);
    const char text[] = "MSG tq.ab 1 3\r\nxyz\r\n";
    FeedNats(reader, reinterpret_cast<const unsigned char*>(text), sizeof text - 1);
    ASSERT_EQ(ReadNats(reader, message), NatsEvent::Message);
    EXPECT_STREQ(message.subject, "tq.ab");
    EXPECT_EQ(message.size, 3);
    EXPECT_EQ(std::memcmp(message.bytes, "xyz", 3), 0);
    for (std::size_t n = 6; n < sizeof message.subject; ++n)
    {
        EXPECT_EQ(static_cast<unsigned char>(message.subject[n]), 0xa5) << n;
    }
    for (int n = 3; n < MaxMeetPayload; ++n)
    {
        ASSERT_EQ(message.bytes[n], 0xa5) << n;
    }
    // A full reader takes no more.
    ResetNatsReader(reader);
    std::vector<unsigned char> lots(NatsBufferBytes + 100, 'P');
    EXPECT_EQ(FeedNats(reader, lots.data(), static_cast<int>(lots.size())), NatsBufferBytes);
    EXPECT_EQ(FeedNats(reader, lots.data(), 10), 0);
    EXPECT_EQ(FeedNats(reader, lots.data(), -5), 0);
}

TEST(NatsWire, WritesTheGamesCommandsAndRefusesOthers)
{
    char out[64];
    EXPECT_EQ(std::string(out, WriteNatsListen(out, sizeof out, "tq.0a.b_c", 3)),
              "SUB tq.0a.b_c 3\r\n");
    const unsigned char bytes[] = {'a', '\r', '\n', 0};
    EXPECT_EQ(std::string(out, WriteNatsPublish(out, sizeof out, "tq.x", bytes, 4)),
              std::string("PUB tq.x 4\r\na\r\n\0\r\n", 18));
    EXPECT_EQ(std::string(out, WriteNatsPing(out, sizeof out)), "PING\r\n");
    EXPECT_EQ(std::string(out, WriteNatsPong(out, sizeof out)), "PONG\r\n");
    // Subjects that would say more than one: spaces, line ends, wildcards; none, or too long.
    for (const char* subject : {"tq.a b", "tq.a\r\nPUB", "tq.>", "tq.*", "", "tq.\x7f"})
    {
        EXPECT_EQ(WriteNatsListen(out, sizeof out, subject, 1), 0) << subject;
        EXPECT_EQ(WriteNatsPublish(out, sizeof out, subject, bytes, 1), 0) << subject;
    }
    const std::string longSubject(MeetSubjectBytes, 'a');
    EXPECT_EQ(WriteNatsListen(out, sizeof out, longSubject.c_str(), 1), 0);
    // What does not fit is not written at all.
    EXPECT_EQ(WriteNatsPublish(out, 12, "tq.x", bytes, 4), 0);
    EXPECT_EQ(WriteNatsPing(out, 5), 0);
    char connect[512];
    const std::string said(connect, WriteNatsConnect(connect, sizeof connect));
    EXPECT_EQ(said.rfind("CONNECT {", 0), 0u);
    EXPECT_NE(said.find("\"echo\":false"), std::string::npos);
    EXPECT_EQ(said.substr(said.size() - 3), "}\r\n");
}
