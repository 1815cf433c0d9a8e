// Tests of the online messages and the join code: every kind round-trips, anything else is
// refused, and the door shuts out an address after five wrong codes.
#include "net/messages.h"

#include "app/title_screen.h"
#include "audio/sounds.h"
#include "display/pictures.h"
#include "platform/rand.h"

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

    for (int key = 0; key < 256; ++key)
    {
        const std::vector<unsigned char> bytes = {KindKey, 1, static_cast<unsigned char>(key)};
        const bool travels = key < KeyCount && FriendMayPress(static_cast<Key>(key));
        ASSERT_EQ(FriendAccepts(bytes), travels) << key;
        if (travels)
        {
            ASSERT_TRUE(DecodeFriendMessage(bytes.data(), bytes.size(), message));
            EXPECT_EQ(message.key, key);
            EXPECT_TRUE(message.down);
        }
    }
    EXPECT_FALSE(FriendMayPress(KeyEscape) || FriendMayPress(KeyPrintScreen) ||
                 FriendMayPress(KeyAltEnter));
    ExpectExactLength(Bytes(out, EncodeKey(KeyCursorLeft, false, out)), FriendAccepts);
    EXPECT_FALSE(FriendAccepts({KindKey, 2, KeyCursorUp}));
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

TEST(Messages, FramesCarryTheCanvasAndThePaletteExactly)
{
    SeedRand(7);
    InitPalette();
    LoadPictures();
    static unsigned char canvas[CanvasCells];
    static unsigned char out[MaxMessageBytes];
    static HostMessage message;
    for (int round = 0; round < 3; ++round)
    {
        ClearCanvas();
        if (round == 0)
        {
            DrawTitleScreen();
        }
        for (int n = 0; n < CanvasCells && round == 2; ++n)
        {
            ScreenCells[n] = static_cast<unsigned char>(Rand() % 256); // nothing to pack
        }
        std::memcpy(canvas, ScreenCells, sizeof canvas);
        Palette[0] = 1.3f; // strayed past 1: shown as 1
        Palette[1] = -0.2f;
        const int size = EncodeFrame(canvas, out);
        ASSERT_LE(size, MaxFrameBytes);
        ASSERT_TRUE(DecodeHostMessage(out, static_cast<std::size_t>(size), message, Cells));
        EXPECT_EQ(std::memcmp(Cells, canvas, sizeof canvas), 0) << round;

        unsigned char shown[PaletteBytes];
        CapturePalette(shown);
        RestorePalette(message.palette);
        unsigned char restored[PaletteBytes];
        CapturePalette(restored);
        EXPECT_EQ(std::memcmp(shown, restored, sizeof shown), 0);
        EXPECT_EQ(shown[0], 255);
        EXPECT_EQ(shown[1], 0);

        // Cut anywhere in the cells, or one cell short or over, is refused.
        EXPECT_FALSE(HostAccepts(Bytes(out, size - 1)));
        EXPECT_FALSE(HostAccepts(Bytes(out, 1 + PaletteBytes + (size - 1 - PaletteBytes) / 2)));
    }
    std::vector<unsigned char> frame(1 + PaletteBytes, 0);
    frame[0] = KindFrame;
    EXPECT_FALSE(HostAccepts(frame)); // no cells
    for (int n = 0; n < CanvasCells / 130; ++n)
    {
        frame.insert(frame.end(), {255, 1}); // 130 cells each
    }
    const int rest = CanvasCells % 130; // as one more repeat: exact, one short, one over
    for (int extra : {0, -1, 1})
    {
        std::vector<unsigned char> whole = frame;
        whole.insert(whole.end(), {static_cast<unsigned char>(rest + extra + 125), 4});
        EXPECT_EQ(HostAccepts(whole), extra == 0) << extra;
    }
    frame.assign(MaxFrameBytes + 1, 0); // longer than any frame, literals of zeros
    frame[0] = KindFrame;
    EXPECT_FALSE(HostAccepts(frame));
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
