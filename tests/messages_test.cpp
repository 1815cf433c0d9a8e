// Tests of the online messages and the join code: every kind round-trips, anything else is
// refused, and the door shuts out an address after five wrong codes.
#include "net/messages.h"

#include "app/title_screen.h"
#include "audio/sounds.h"
#include "display/pictures.h"
#include "platform/rand.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <vector>

namespace
{
unsigned char Cells[CanvasCells];

std::vector<unsigned char> Bytes(const unsigned char* bytes, int size)
{
    return std::vector<unsigned char>(bytes, bytes + size);
}

bool HostAccepts(const std::vector<unsigned char>& bytes)
{
    HostMessage message;
    return DecodeHostMessage(bytes.data(), bytes.size(), message, Cells);
}

bool FriendAccepts(const std::vector<unsigned char>& bytes)
{
    FriendMessage message;
    return DecodeFriendMessage(bytes.data(), bytes.size(), message);
}

// Every shorter prefix and every longer copy of an accepted message is refused.
void ExpectExactLength(std::vector<unsigned char> bytes,
                       bool (*accepts)(const std::vector<unsigned char>&))
{
    ASSERT_TRUE(accepts(bytes));
    for (std::size_t size = 0; size < bytes.size(); ++size)
    {
        EXPECT_FALSE(accepts(std::vector<unsigned char>(bytes.begin(), bytes.begin() + size)))
            << size;
    }
    bytes.push_back(0);
    EXPECT_FALSE(accepts(bytes));
}
} // namespace

TEST(Messages, FriendMessagesRoundTripAndAnythingElseIsRefused)
{
    static unsigned char out[MaxMessageBytes];
    JoinCode code;
    ASSERT_TRUE(ParseJoinCode("0123abcXYZ", code));
    std::vector<unsigned char> hello = Bytes(out, EncodeHello(code, out));
    FriendMessage message;
    ASSERT_TRUE(DecodeFriendMessage(hello.data(), hello.size(), message));
    EXPECT_EQ(message.kind, KindHello);
    EXPECT_EQ(message.version, ProtocolVersion);
    EXPECT_TRUE(SameJoinCode(message.code, code));
    ExpectExactLength(hello, FriendAccepts);
    hello[11] = JoinCodeSymbols; // a symbol past the alphabet
    EXPECT_FALSE(FriendAccepts(hello));

    // A key's number on the wire is fixed, whatever the order of the game's keys.
    const Key wire[] = {KeyCursorUp, KeyCursorDown, KeyCursorLeft, KeyCursorRight, KeyW, KeyS, KeyA,
                        KeyD,        Key1,          KeyOther,      KeySpace,       Key2, Key3};
    for (unsigned char number = 0; number < 13; ++number)
    {
        ASSERT_EQ(Bytes(out, EncodeKey(wire[number], true, out)),
                  (std::vector<unsigned char>{KindKey, 1, number}));
        ASSERT_TRUE(DecodeFriendMessage(out, 3, message));
        EXPECT_EQ(message.key, wire[number]);
    }
    EXPECT_FALSE(FriendMayPress(KeyEscape) || FriendMayPress(KeyPrintScreen) ||
                 FriendMayPress(KeyAlt) || FriendMayPress(KeyAltEnter));
    EXPECT_FALSE(FriendAccepts({KindKey, 1, 13}));
    ExpectExactLength(Bytes(out, EncodeKey(KeyCursorLeft, false, out)), FriendAccepts);
    EXPECT_FALSE(FriendAccepts({KindKey, 2, KeyCursorUp}));
    ExpectExactLength(Bytes(out, EncodeAskFrame(out)), FriendAccepts);
    EXPECT_FALSE(FriendAccepts({KindWelcome}) || FriendAccepts({0, 1, KeyCursorUp}));
}

TEST(Messages, HostMessagesRoundTripAndAnythingElseIsRefused)
{
    static unsigned char out[MaxMessageBytes];
    ExpectExactLength(Bytes(out, EncodeWelcome(out)), HostAccepts);

    SoundMessage sounds[MaxMessageSounds + 1];
    for (int n = 0; n <= MaxMessageSounds; ++n)
    {
        sounds[n] = {n % 2 == 0 ? SoundSquare : FirstSampleSound + n % SampleCount,
                     static_cast<float>(n * 100), 0.4f, 0.6f, -0.75f + n * 0.03f};
    }
    const std::vector<unsigned char> full = Bytes(out, EncodeSounds(false, sounds, 40, out));
    static HostMessage message;
    ASSERT_TRUE(DecodeHostMessage(full.data(), full.size(), message, Cells));
    ASSERT_EQ(message.soundCount, MaxMessageSounds); // no more than fit
    EXPECT_FALSE(message.titleMusic);
    EXPECT_EQ(std::memcmp(message.sounds, sounds, sizeof(SoundMessage) * MaxMessageSounds), 0);
    ExpectExactLength(Bytes(out, EncodeSounds(true, sounds, 2, out)), HostAccepts);

    // Every number out of its range, one at a time: sound, frequency, volume, send, pan.
    const float nan = std::nanf("");
    const SoundMessage bad[] = {{0, 0, 0, 0, 0},
                                {SoundSwap + 1, 0, 0, 0, 0},
                                {SoundSquare, -1, 0, 0, 0},
                                {SoundSquare, 20001, 0, 0, 0},
                                {SoundSquare, nan, 0, 0, 0},
                                {SoundStep, 0, 1.5f, 0, 0},
                                {SoundStep, 0, 0, -0.1f, 0},
                                {SoundStep, 0, 0, 0, 1.1f},
                                {SoundStep, 0, 0, 0, INFINITY}};
    for (const SoundMessage& sound : bad)
    {
        EXPECT_FALSE(HostAccepts(Bytes(out, EncodeSounds(true, &sound, 1, out)))) << sound.sound;
    }
    std::vector<unsigned char> flags = Bytes(out, EncodeSounds(true, sounds, 0, out));
    flags[1] = 2;
    EXPECT_FALSE(HostAccepts(flags));
    flags[1] = 1;
    flags[2] = MaxMessageSounds + 1; // a count past the most, with the bytes for it
    flags.resize(3 + (MaxMessageSounds + 1) * SoundBytes);
    EXPECT_FALSE(HostAccepts(flags));
    EXPECT_FALSE(HostAccepts({KindKey, 1, KeyCursorUp}) || HostAccepts({99}));
}

TEST(Messages, WholeFramesAndDeltasCarryTheCanvasAndThePaletteExactly)
{
    SeedRand(7);
    InitPalette();
    LoadPictures();
    static unsigned char title[CanvasCells], noise[CanvasCells], out[MaxMessageBytes];
    static HostMessage message;
    ClearCanvas();
    DrawTitleScreen();
    std::memcpy(title, ScreenCells, sizeof title);
    for (unsigned char& cell : noise)
    {
        cell = static_cast<unsigned char>(Rand() % 256); // nothing to pack
    }
    Palette[0] = 1.3f; // strayed past 1: shown as 1
    Palette[1] = -0.2f;
    for (const unsigned char* canvas : {title, noise})
    {
        const int size = EncodeFrame(65535, canvas, out);
        ASSERT_LE(size, MaxFrameBytes);
        std::memset(Cells, 7, sizeof Cells); // a whole frame builds on nothing it holds
        ASSERT_TRUE(DecodeHostMessage(out, static_cast<std::size_t>(size), message, Cells));
        EXPECT_EQ(message.kind, KindFrame);
        EXPECT_EQ(message.frameNumber, 65535);
        EXPECT_EQ(std::memcmp(Cells, canvas, CanvasCells), 0);
        EXPECT_FALSE(HostAccepts(Bytes(out, size - 1))); // cut in its last cells
    }
    unsigned char shown[PaletteBytes], restored[PaletteBytes];
    CapturePalette(shown);
    RestorePalette(message.palette);
    CapturePalette(restored);
    EXPECT_EQ(std::memcmp(shown, restored, sizeof shown), 0);
    EXPECT_EQ(shown[0], 255);
    EXPECT_EQ(shown[1], 0);

    // Deltas on the title: applied on it, each gives the canvas it was made from; none
    // changed is the palette alone.
    for (const unsigned char* canvas : {noise, title})
    {
        const int size = EncodeDelta(12, title, canvas, out);
        std::memcpy(Cells, title, sizeof Cells);
        ASSERT_TRUE(DecodeHostMessage(out, static_cast<std::size_t>(size), message, Cells));
        EXPECT_EQ(message.kind, KindDelta);
        EXPECT_EQ(message.frameNumber, 12);
        EXPECT_EQ(std::memcmp(Cells, canvas, CanvasCells), 0);
        EXPECT_EQ(size == FrameHeaderBytes, canvas == title);
    }
    std::vector<unsigned char> frame(MaxFrameBytes + 1, 0); // literals, longer than any frame
    frame[0] = KindFrame;
    EXPECT_FALSE(HostAccepts(frame));
}

// Whatever the cells of a frame say, nothing past the canvas is written.
TEST(Messages, AFrameNeverWritesPastTheCanvas)
{
    constexpr int Guard = 256;
    static unsigned char cells[CanvasCells + Guard];
    static HostMessage message;
    const auto decodes = [&](MessageKind kind, std::vector<unsigned char> packed)
    {
        static unsigned char bytes[FrameHeaderBytes + 400];
        bytes[0] = static_cast<unsigned char>(kind);
        std::copy(packed.begin(), packed.end(), bytes + FrameHeaderBytes);
        std::memset(cells + CanvasCells, 0xa5, Guard);
        const bool taken =
            DecodeHostMessage(bytes, FrameHeaderBytes + packed.size(), message, cells);
        for (int n = CanvasCells; n < CanvasCells + Guard; ++n)
        {
            EXPECT_EQ(cells[n], 0xa5) << n;
        }
        return taken;
    };
    // A skip to the last cell, then what would fill it.
    constexpr unsigned char Skip = 192 + (CanvasCells - 2) / 256, By = (CanvasCells - 2) % 256;
    for (MessageKind kind : {KindFrame, KindDelta})
    {
        EXPECT_TRUE(decodes(kind, {Skip, By, 0, 4}));     // one literal
        EXPECT_FALSE(decodes(kind, {Skip, By, 1, 4, 4})); // two
        EXPECT_FALSE(decodes(kind, {Skip, By, 128, 4}));  // a repeat of three
        EXPECT_FALSE(decodes(kind, {Skip, By, 192, 1}));  // a skip of two
        EXPECT_FALSE(decodes(kind, {255, 255}));          // a skip of 16384
    }
}

TEST(JoinCode, TypedAsShownComparedWhole)
{
    JoinCode made, again;
    ASSERT_TRUE(MakeJoinCode(made));
    ASSERT_TRUE(MakeJoinCode(again));
    EXPECT_FALSE(SameJoinCode(made, again)); // 50 random bits: equal once in 2^50
    char text[JoinCodeLength + 1];
    FormatJoinCode(made, text);
    JoinCode typed;
    ASSERT_TRUE(ParseJoinCode(text, typed));
    EXPECT_TRUE(SameJoinCode(made, typed));
    for (int n = 0; n < JoinCodeLength; ++n)
    {
        JoinCode other = made;
        other.symbols[n] ^= 16;
        EXPECT_FALSE(SameJoinCode(made, other)) << n;
    }
    for (const char* bad :
         {"", "0123456789a", "012345678", "0123456i89", "01234567-9", "012345678\xc3"})
    {
        EXPECT_FALSE(ParseJoinCode(bad, typed)) << bad;
    }
    EXPECT_FALSE(ParseJoinCode(nullptr, typed));
}

TEST(JoinCode, FiveWrongCodesShutAnAddressOutForAMinute)
{
    static Door door;
    ResetDoor(door);
    const unsigned start = 4294960000u; // the clock wraps during the minute
    for (int n = 0; n < WrongCodesAllowed - 1; ++n)
    {
        CountWrongCode(door, 7, start);
    }
    EXPECT_FALSE(DoorRefuses(door, 7, start));
    ForgiveAddress(door, 7); // a right code: five more tries
    for (int n = 0; n < WrongCodesAllowed - 1; ++n)
    {
        CountWrongCode(door, 7, start);
    }
    EXPECT_FALSE(DoorRefuses(door, 7, start));
    CountWrongCode(door, 7, start);
    EXPECT_TRUE(DoorRefuses(door, 7, start + ShutOutMs - 1));
    EXPECT_FALSE(DoorRefuses(door, 8, start));
    // Many other addresses fill the door, but the shut-out one is kept.
    for (std::uint32_t address = 100; address < 100 + 3 * DoorEntries; ++address)
    {
        CountWrongCode(door, address, start + 1);
    }
    EXPECT_TRUE(DoorRefuses(door, 7, start + 2));
    EXPECT_FALSE(DoorRefuses(door, 7, start + ShutOutMs));
    CountWrongCode(door, 7, start + ShutOutMs); // counting starts again after the minute
    EXPECT_FALSE(DoorRefuses(door, 7, start + ShutOutMs));
}
