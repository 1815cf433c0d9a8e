// The home router through libnatpmp and miniupnpc: the RouterCalls the game hands to the port
// map. Runs on the port map's thread only.
#include "net/port_map_upnp.h"

#include <arpa/inet.h>
#include <cstdio>
#include <ctime>
#include <miniupnpc/miniupnpc.h>
#include <miniupnpc/upnpcommands.h>
#include <natpmp.h>
#include <sys/select.h>

namespace
{
// Per request. A router that speaks it answers at once, but the request or its answer may be
// lost, and a busy router or machine may be slow: libnatpmp resends at 0.25, 0.75 and 1.75 s,
// and giving up sooner tells a player on a merely loaded machine that no router answered.
constexpr long NatPmpWaitMs = 2500;
constexpr int UpnpSearchMs = 1000; // per kind of router searched for, two kinds: about 2 s
constexpr int UpnpConflict = 718;  // the outside port is mapped to another machine already
// The routers searched for, one search each: the first kind of internet gateway, which the
// later ones answer too, and the second for those that answer only their own.
constexpr const char* UpnpRouterKinds[] = {"urn:schemas-upnp-org:device:InternetGatewayDevice:1",
                                           "urn:schemas-upnp-org:device:InternetGatewayDevice:2",
                                           nullptr};
constexpr char MappingName[] = "tumblequay";

long NowMs()
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1000 + now.tv_nsec / 1000000;
}

// Waits for the answer to the request just sent, resending as libnatpmp says, until
// NatPmpWaitMs have passed. Returns 0 for a good answer of the type, else libnatpmp's error
// (NATPMP_ERR_NETWORKFAILURE: the router has no address on the internet), or 1 for none.
int AwaitNatPmp(natpmp_t& natpmp, natpmpresp_t& response, int type)
{
    const long deadline = NowMs() + NatPmpWaitMs;
    for (;;)
    {
        timeval wait;
        if (getnatpmprequesttimeout(&natpmp, &wait) < 0)
        {
            return 1;
        }
        const long left = deadline - NowMs();
        if (left <= 0)
        {
            return 1;
        }
        if (wait.tv_sec * 1000 + wait.tv_usec / 1000 > left)
        {
            wait.tv_sec = left / 1000;
            wait.tv_usec = (left % 1000) * 1000;
        }
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(natpmp.s, &readable);
        select(natpmp.s + 1, &readable, nullptr, nullptr, &wait);
        const int read = readnatpmpresponseorretry(&natpmp, &response);
        if (read == 0)
        {
            return response.type == type && response.resultcode == 0 ? 0 : 1;
        }
        if (read != NATPMP_TRYAGAIN)
        {
            return read < 0 ? read : 1;
        }
    }
}

RouterAnswer MapNatPmp(int port, unsigned leaseSeconds)
{
    RouterAnswer answer = {};
    natpmp_t natpmp;
    if (initnatpmp(&natpmp, 0, 0) < 0)
    {
        return answer;
    }
    natpmpresp_t response;
    const int told = sendpublicaddressrequest(&natpmp) >= 0
                         ? AwaitNatPmp(natpmp, response, NATPMP_RESPTYPE_PUBLICADDRESS)
                         : 1;
    answer.noPublicAddress = told == NATPMP_ERR_NETWORKFAILURE;
    if (told == 0)
    {
        answer.publicAddress = ntohl(response.pnu.publicaddress.addr.s_addr);
        const auto wanted = static_cast<uint16_t>(port);
        if (sendnewportmappingrequest(&natpmp, NATPMP_PROTOCOL_UDP, wanted, wanted, leaseSeconds) >=
                0 &&
            AwaitNatPmp(natpmp, response, NATPMP_RESPTYPE_UDPPORTMAPPING) == 0 &&
            response.pnu.newportmapping.lifetime > 0)
        {
            answer.mapped = true;
            answer.publicPort = response.pnu.newportmapping.mappedpublicport;
            answer.leaseSeconds = response.pnu.newportmapping.lifetime;
        }
    }
    closenatpmp(&natpmp);
    return answer;
}

void UnmapNatPmp(int port)
{
    natpmp_t natpmp;
    if (initnatpmp(&natpmp, 0, 0) < 0)
    {
        return;
    }
    natpmpresp_t response;
    // A lifetime of 0 removes the mapping of this private port.
    if (sendnewportmappingrequest(&natpmp, NATPMP_PROTOCOL_UDP, static_cast<uint16_t>(port), 0,
                                  0) >= 0)
    {
        AwaitNatPmp(natpmp, response, NATPMP_RESPTYPE_UDPPORTMAPPING);
    }
    closenatpmp(&natpmp);
}

// The router found by the last UPnP search, kept for renewing and removing the mapping.
UPNPUrls Urls;
IGDdatas Igd;
char LanAddress[64];
bool Found = false;
bool Unconnected = false; // the router found says it is not connected to the internet

bool FindRouter()
{
    if (Found)
    {
        return true;
    }
    int error = 0;
    UPNPDev* devices =
        upnpDiscoverDevices(UpnpRouterKinds, UpnpSearchMs, nullptr, nullptr, 0, 0, 2, &error, 0);
    if (devices == nullptr)
    {
        return false;
    }
    // 1: a router connected to the internet; 2: one that says it is not (a router on a
    // carrier's shared address says so too); 3: some other device.
    const int kind = UPNP_GetValidIGD(devices, &Urls, &Igd, LanAddress, sizeof LanAddress);
    freeUPNPDevlist(devices);
    Found = kind == 1 || kind == 2;
    Unconnected = kind == 2;
    if (kind == 3)
    {
        FreeUPNPUrls(&Urls);
    }
    return Found;
}

void ForgetRouter()
{
    if (Found)
    {
        FreeUPNPUrls(&Urls);
        Found = false;
    }
}

// The router's own address on the internet as it tells it; 0 when it tells none, with
// noPublicAddress set when it says it has none (an empty address or 0.0.0.0, as a router on
// a carrier's shared address says).
void AskPublicAddress(RouterAnswer& answer)
{
    char external[40] = "";
    if (UPNP_GetExternalIPAddress(Urls.controlURL, Igd.first.servicetype, external) !=
        UPNPCOMMAND_SUCCESS)
    {
        return; // it tells nothing
    }
    in_addr address;
    if (inet_pton(AF_INET, external, &address) == 1)
    {
        answer.publicAddress = ntohl(address.s_addr);
    }
    answer.noPublicAddress = answer.publicAddress == 0;
}

RouterAnswer MapUpnp(int port, int publicPort, unsigned leaseSeconds)
{
    RouterAnswer answer = {};
    if (!FindRouter())
    {
        return answer;
    }
    char portText[8];
    char publicText[8];
    char leaseText[16];
    std::snprintf(portText, sizeof portText, "%d", port);
    std::snprintf(publicText, sizeof publicText, "%d", publicPort);
    std::snprintf(leaseText, sizeof leaseText, "%u", leaseSeconds);
    if (Unconnected)
    {
        AskPublicAddress(answer); // whether it has an address of its own at all
        ForgetRouter();
        return answer;
    }
    const int said =
        UPNP_AddPortMapping(Urls.controlURL, Igd.first.servicetype, publicText, portText,
                            LanAddress, MappingName, "UDP", nullptr, leaseText);
    AskPublicAddress(answer);
    if (said != UPNPCOMMAND_SUCCESS)
    {
        // Refused; a router that takes only permanent mappings is refused too. Another
        // machine's outside port is tried again with the next one, with this router.
        answer.conflict = said == UpnpConflict;
        if (!answer.conflict)
        {
            ForgetRouter();
        }
        return answer;
    }
    answer.mapped = true;
    answer.publicPort = publicPort;
    return answer;
}

void UnmapUpnp(int publicPort)
{
    if (!FindRouter())
    {
        return;
    }
    char portText[8];
    std::snprintf(portText, sizeof portText, "%d", publicPort);
    UPNP_DeletePortMapping(Urls.controlURL, Igd.first.servicetype, portText, "UDP", nullptr);
    ForgetRouter();
}
} // namespace

const RouterCalls HomeRouter = {MapNatPmp, MapUpnp, UnmapNatPmp, UnmapUpnp};
