// Fuzz target: the friend reads any datagram that comes back to its search of the home
// network, and the host checks any datagram on its port for a search, without harm; a host
// taken from an answer has a port a connection can be asked on.
#include "net/home_search.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    IsSearch(data, size);
    HomeSearch search;
    StartHomeSearch(search, 0);
    // The same datagram from more senders than the search keeps: each is taken once, at most
    // MaxFoundHosts in all.
    for (std::uint32_t sender = 1; sender <= MaxFoundHosts + 2; ++sender)
    {
        HearSearchAnswer(search, sender, data, size, 0);
        HearSearchAnswer(search, sender, data, size, 0);
    }
    if (search.count > MaxFoundHosts)
    {
        std::abort();
    }
    for (SearchStep step = TickHomeSearch(search, SearchGatherMs);
         step.order == SearchOrder::Connect; step = NextFoundHost(search))
    {
        if (step.host.port < 1 || step.host.port > 65535)
        {
            std::abort();
        }
    }
    return 0;
}
