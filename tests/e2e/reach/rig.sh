# A model of a home on this machine, in network namespaces the test makes and removes: a
# home namespace behind a router namespace that masquerades and drops unasked traffic, and a
# namespace outside it. The router's outside address, 5.5.5.1, lies outside the reserved
# ranges, as the UPnP daemon wants; nothing is routed off the machine, since the namespaces
# have no link but their own veth pairs. Sourced after lib.sh; needs root.
#
#   make_home                 the three namespaces: $HOME_NS, $ROUTER_NS, $OUTSIDE_NS
#   start_router_daemon MODE  miniupnpd in the router: "upnp+natpmp", "natpmp" or "upnp"
#   router_mappings           the port mappings the router holds, one rule a line
#   make_bridge               three namespaces on one bridge: $LEFT_NS, $RIGHT_NS, $OTHER_NS

HOME_ADDRESS=192.168.77.2
ROUTER_HOME_ADDRESS=192.168.77.1
ROUTER_OUTSIDE_ADDRESS=5.5.5.1
OUTSIDE_ADDRESS=5.5.5.2
RIG_ID=$$
NAMESPACES=""
DAEMON_PID=""
RIG_PIDS="" # further processes of the test's, ended at exit

need_namespaces() {
    [ "$(id -u)" -eq 0 ] || { echo "SKIP: network namespaces need root"; exit 77; }
    probe="tqprobe$RIG_ID"
    ip netns add "$probe" 2>/dev/null || { echo "SKIP: network namespaces cannot be made here"; exit 77; }
    ip netns delete "$probe"
    command -v nft >/dev/null || { echo "SKIP: nft (nftables) is not installed"; exit 77; }
}

add_namespace() {
    ip netns add "$1" || fail "cannot make the namespace $1"
    NAMESPACES="$NAMESPACES $1"
    ip -n "$1" link set lo up
}

rig_cleanup() {
    for pid in $DAEMON_PID $RIG_PIDS; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    # Deleting a namespace deletes its veth ends and bridges with it.
    for ns in $NAMESPACES; do
        ip netns delete "$ns" 2>/dev/null || true
    done
    cleanup
}
trap rig_cleanup EXIT

make_home() {
    need_namespaces
    HOME_NS="tqhome$RIG_ID"
    ROUTER_NS="tqrouter$RIG_ID"
    OUTSIDE_NS="tqout$RIG_ID"
    add_namespace "$HOME_NS"
    add_namespace "$ROUTER_NS"
    add_namespace "$OUTSIDE_NS"
    HOME_LINK="tqh$RIG_ID"
    ROUTER_LAN="tqrl$RIG_ID"
    ROUTER_WAN="tqrw$RIG_ID"
    OUTSIDE_LINK="tqo$RIG_ID"
    ip link add "$HOME_LINK" netns "$HOME_NS" type veth peer name "$ROUTER_LAN" netns "$ROUTER_NS"
    ip link add "$ROUTER_WAN" netns "$ROUTER_NS" type veth peer name "$OUTSIDE_LINK" netns "$OUTSIDE_NS"
    ip -n "$HOME_NS" addr add "$HOME_ADDRESS/24" dev "$HOME_LINK"
    ip -n "$HOME_NS" link set "$HOME_LINK" up
    ip -n "$HOME_NS" route add default via "$ROUTER_HOME_ADDRESS"
    ip -n "$ROUTER_NS" addr add "$ROUTER_HOME_ADDRESS/24" dev "$ROUTER_LAN"
    ip -n "$ROUTER_NS" addr add "$ROUTER_OUTSIDE_ADDRESS/24" dev "$ROUTER_WAN"
    ip -n "$ROUTER_NS" link set "$ROUTER_LAN" up
    ip -n "$ROUTER_NS" link set "$ROUTER_WAN" up
    ip -n "$OUTSIDE_NS" addr add "$OUTSIDE_ADDRESS/24" dev "$OUTSIDE_LINK"
    ip -n "$OUTSIDE_NS" link set "$OUTSIDE_LINK" up
    ip netns exec "$ROUTER_NS" sysctl -q -w net.ipv4.ip_forward=1
    # The daemon's chains, jumped to from the hooks, as its nftables backend expects; what
    # comes back on a connection the home began passes, what comes unasked is dropped.
    cat >"$WORK/router.nft" <<RULES
table inet filter {
    chain forward {
        type filter hook forward priority 0; policy drop;
        ct state established,related accept
        iifname "$ROUTER_LAN" accept
        jump miniupnpd
    }
    chain miniupnpd {
    }
    chain prerouting {
        type nat hook prerouting priority -100; policy accept;
        jump prerouting_miniupnpd
    }
    chain postrouting {
        type nat hook postrouting priority 100; policy accept;
        jump postrouting_miniupnpd
        oifname "$ROUTER_WAN" masquerade
    }
    chain prerouting_miniupnpd {
    }
    chain postrouting_miniupnpd {
    }
}
RULES
    ip netns exec "$ROUTER_NS" nft -f "$WORK/router.nft" || fail "the router's rules do not load"
}

start_router_daemon() {
    natpmp=yes
    upnp=yes
    listens=":5351 "
    [ "$1" = natpmp ] && upnp=no
    [ "$1" = upnp ] && natpmp=no && listens=":1900 "
    cat >"$WORK/miniupnpd.conf" <<CONF
ext_ifname=$ROUTER_WAN
listening_ip=$ROUTER_LAN
port=0
enable_natpmp=$natpmp
enable_upnp=$upnp
secure_mode=yes
system_uptime=no
uuid=3a1f0c52-8d4e-4b7a-9c1e-5f2b6d7e8a90
allow 1024-65535 192.168.77.0/24 1024-65535
deny 0-65535 0.0.0.0/0 0-65535
CONF
    ip netns exec "$ROUTER_NS" miniupnpd -d -f "$WORK/miniupnpd.conf" -P "$WORK/miniupnpd.pid" \
        >"$WORK/miniupnpd.log" 2>&1 &
    DAEMON_PID=$!
    for _ in $(seq 50); do
        ip netns exec "$ROUTER_NS" ss -uln | grep -q "$listens" && return 0
        kill -0 "$DAEMON_PID" 2>/dev/null || fail "miniupnpd ended at start: $(cat "$WORK/miniupnpd.log")"
        sleep 0.1
    done
    fail "miniupnpd does not listen: $(cat "$WORK/miniupnpd.log")"
}

router_mappings() {
    ip netns exec "$ROUTER_NS" nft list chain inet filter prerouting_miniupnpd | grep dnat || true
}

make_bridge() {
    need_namespaces
    LEFT_NS="tqleft$RIG_ID"
    RIGHT_NS="tqright$RIG_ID"
    OTHER_NS="tqother$RIG_ID"
    add_namespace "$LEFT_NS"
    add_namespace "$RIGHT_NS"
    add_namespace "$OTHER_NS"
    bridge="tqbr$RIG_ID"
    ip -n "$LEFT_NS" link add "$bridge" type bridge
    ip -n "$LEFT_NS" link set "$bridge" up
    # Each namespace's end of a veth pair, the other end on the bridge in LEFT_NS.
    number=1
    for ns in $LEFT_NS $RIGHT_NS $OTHER_NS; do
        ip -n "$LEFT_NS" link add "tqb$number$RIG_ID" type veth peer name "tqn$number$RIG_ID" netns "$ns"
        ip -n "$LEFT_NS" link set "tqb$number$RIG_ID" master "$bridge" up
        ip -n "$ns" addr add "10.77.0.$number/24" broadcast 10.77.0.255 dev "tqn$number$RIG_ID"
        ip -n "$ns" link set "tqn$number$RIG_ID" up
        number=$((number + 1))
    done
}
