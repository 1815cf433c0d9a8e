// The home search's datagrams and its steps.
#include "net/home_search.h"

#include <cstring>

namespace
{
constexpr char SearchMagic[] = "tumblequay?";
constexpr char AnswerMagic[] = "tumblequay!";
constexpr int MagicBytes = sizeof SearchMagic - 1;
constexpr unsigned char SearchVersion = 1;
static_assert(sizeof AnswerMagic == sizeof SearchMagic && MagicBytes + 5 == SearchBytes);
} // namespace

int EncodeSearch(unsigned char* out)
{
    std::memset(out, 0, SearchBytes);
    std::memcpy(out, SearchMagic, MagicBytes);
    out[MagicBytes] = SearchVersion;
    return SearchBytes;
}

bool IsSearch(const unsigned char* bytes, std::size_t size)
{
    unsigned char search[SearchBytes];
    EncodeSearch(search);
    return size == SearchBytes && std::memcmp(bytes, search, SearchBytes) == 0;
}

int EncodeSearchAnswer(int port, unsigned char* out)
{
    std::memset(out, 0, SearchBytes);
    std::memcpy(out, AnswerMagic, MagicBytes);
    out[MagicBytes] = SearchVersion;
    out[MagicBytes + 1] = static_cast<unsigned char>(port >> 8);
    out[MagicBytes + 2] = static_cast<unsigned char>(port);
    return SearchBytes;
}

bool DecodeSearchAnswer(const unsigned char* bytes, std::size_t size, int& port)
{
    if (size != SearchBytes || std::memcmp(bytes, AnswerMagic, MagicBytes) != 0 ||
        bytes[MagicBytes] != SearchVersion || bytes[MagicBytes + 3] != 0 ||
        bytes[MagicBytes + 4] != 0)
    {
        return false;
    }
    const int read = bytes[MagicBytes + 1] << 8 | bytes[MagicBytes + 2];
    if (read == 0)
    {
        return false;
    }
    port = read;
    return true;
}

void StartHomeSearch(HomeSearch& search, unsigned now)
{
    search = {};
    search.stage = SearchStage::Listening;
    search.since = now;
}

void HearSearchAnswer(HomeSearch& search, std::uint32_t address, const unsigned char* bytes,
                      std::size_t size, unsigned now)
{
    FoundHost host = {address, 0};
    if (search.stage != SearchStage::Listening || search.count == MaxFoundHosts ||
        !DecodeSearchAnswer(bytes, size, host.port))
    {
        return;
    }
    for (int n = 0; n < search.count; ++n)
    {
        if (search.hosts[n].address == address && search.hosts[n].port == host.port)
        {
            return; // heard already, through another network's broadcast or a resent search
        }
    }
    if (search.count == 0)
    {
        search.firstAnswer = now;
    }
    search.hosts[search.count++] = host;
}

SearchStep TickHomeSearch(HomeSearch& search, unsigned now)
{
    if (search.stage != SearchStage::Listening)
    {
        return {};
    }
    if (search.count > 0 && now - search.firstAnswer >= SearchGatherMs)
    {
        search.stage = SearchStage::Trying;
        return NextFoundHost(search);
    }
    if (search.count == 0 && now - search.since >= SearchWaitMs)
    {
        search.stage = SearchStage::Done;
        return {SearchOrder::NoGame, {}};
    }
    if (!search.sent || now - search.lastSent >= SearchResendMs)
    {
        search.sent = true;
        search.lastSent = now;
        return {SearchOrder::Broadcast, {}};
    }
    return {};
}

SearchStep NextFoundHost(HomeSearch& search)
{
    if (search.stage != SearchStage::Trying || search.next == search.count)
    {
        search.stage = SearchStage::Done;
        return {};
    }
    return {SearchOrder::Connect, search.hosts[search.next++]};
}

void EndHomeSearch(HomeSearch& search)
{
    search.stage = SearchStage::Done;
}
