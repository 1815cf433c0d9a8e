#!/bin/sh
# The key 1 starts a match against the computer. In its turn it takes the banner away and
# spends its moves with no key pressed, while a burst of the person's keys spends none; then
# the turn comes back to the person's team. Escape returns to the title screen.
. "$(dirname "$0")/lib.sh"
with_data
start_screen
start_game
# Sets STATE to the turn a screenshot shows: "team T moves M banner B".
read_state() {
    STATE=$(cd "$RUN" && "$CHECK" state "$1" "$SCREEN_WIDTH" "$SCREEN_HEIGHT") || fail "$1 shows no match"
}
field() {
    echo "$1" | awk -v k="$2" '{ for (i = 1; i < NF; ++i) if ($i == k) print $(i + 1) }'
}
press 1
sleep 0.3
seen_computer=0
for _ in $(seq 40); do
    screenshot read_state
    now=$STATE
    team=$(field "$now" team)
    if [ "$team" = 0 ]; then
        [ "$seen_computer" = 1 ] && break # the turn came back
        # The person's turn: the banner goes, then every move is spent on switches.
        press space
        sleep 0.2
        for _ in $(seq 10); do press Down; sleep 0.05; done
        sleep 0.5
        continue
    fi
    seen_computer=1
    [ "$(field "$now" banner)" = 1 ] && { sleep 1.2; continue; }
    # The person's switches do nothing now: the moves go only at the computer's pace, one
    # every 0.4 s, however long the screenshots take on a busy machine.
    shot=$(date +%s%N)
    screenshot read_state
    now=$STATE
    moves=$(field "$now" moves)
    press Down Down Down Down Down
    elapsed=$((($(date +%s%N) - shot) / 1000000))
    screenshot read_state
    after=$STATE
    paced=$((elapsed / 396 + 1))
    [ "$(field "$after" team)" = 0 ] || [ "$(field "$after" moves)" -ge $((moves - paced)) ] ||
        fail "the person's keys spent the computer's moves: $now, then $after in $elapsed ms"
    sleep 1.5 # no key: the computer plays on
    screenshot read_state
    later=$STATE
    [ "$(field "$after" team)" = 0 ] || [ "$(field "$later" team)" = 0 ] ||
        [ "$(field "$later" moves)" -lt "$(field "$after" moves)" ] ||
        fail "the computer did not move: $after, then $later"
done
[ "$seen_computer" = 1 ] && [ "$team" = 0 ] || fail "the turn did not go to the computer and back"
press Escape
sleep 0.3
screenshot check_title
press Escape
expect_exit 0
