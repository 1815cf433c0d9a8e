#!/bin/sh
# Online play over a poor line: the friend joins through a UDP relay that delays every
# datagram by 75 ms each way and drops 2 % of them. The friend's key starts the match, whole
# turns play through with both sides' keys, and both screens agree on the turn throughout.
. "$(dirname "$0")/lib.sh"
with_data
start_screen
PORT=$((20000 + $$ % 20000))
RELAY_PORT=$((PORT + 1))
cat >"$WORK/relay.py" <<'RELAY'
import heapq, random, select, socket, sys, time
listen, target = int(sys.argv[1]), ("127.0.0.1", int(sys.argv[2]))
front = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
front.bind(("127.0.0.1", listen))
back = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
friend, queue, ends = None, [], time.time() + 110
while time.time() < ends:
    wait = max(0.0, queue[0][0] - time.time()) if queue else 0.05
    for sock in select.select([front, back], [], [], wait)[0]:
        data, source = sock.recvfrom(65536)
        if sock is front:
            friend = source
        if random.random() >= 0.02:
            out = (back, target) if sock is front else (front, friend)
            heapq.heappush(queue, (time.time() + 0.075, random.random(), data, out))
    while queue and queue[0][0] <= time.time():
        _, _, data, (sock, address) = heapq.heappop(queue)
        sock.sendto(data, address)
RELAY
python3 "$WORK/relay.py" "$RELAY_PORT" "$PORT" &
RELAY_PID=$!
trap 'kill "$RELAY_PID" 2>/dev/null; cleanup' EXIT
start_game --host --port "$PORT"
code=$(awk 'NR == 2 { print $NF }' "$WORK/game.out")
start_friend --join "127.0.0.1:$RELAY_PORT" "$code"
sleep 2
read_state() {
    STATE=$(cd "$RUN" && "$CHECK" state "$1" "$SCREEN_WIDTH" "$SCREEN_HEIGHT") || fail "$1 shows no match"
}
field() {
    echo "$1" | awk -v k="$2" '{ for (i = 1; i < NF; ++i) if ($i == k) print $(i + 1) }'
}
friend_press Return
sleep 1
turns=0
last=""
for _ in $(seq 12); do
    screenshot read_state
    host=$STATE
    friend_screenshot read_state
    [ "$STATE" = "$host" ] || fail "the screens disagree: host $host, friend $STATE"
    team=$(field "$host" team)
    [ -n "$last" ] && [ "$team" != "$last" ] && turns=$((turns + 1))
    last=$team
    [ "$turns" -ge 2 ] && break
    # The side on turn takes the banner away and spends every move on switches.
    if [ "$team" = 0 ]; then keys=press; else keys=friend_press; fi
    $keys space
    sleep 0.3
    for _ in $(seq 10); do $keys Down; sleep 0.1; done
    sleep 1
done
[ "$turns" -ge 2 ] || fail "the turns did not pass through the relay"
