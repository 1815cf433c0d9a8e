#!/bin/sh
# A data folder full of damage: sample files cut short, corrupt, empty, one-channel, three
# minutes long, not Ogg at all, far too large, or a folder; picture files of garbage, of
# numbers too large and negative, and of ten million digits. The game starts on the title
# screen as drawn from that data, plays a match with every key, and quits with status 0.
. "$(dirname "$0")/lib.sh"
with_data
samples="$RUN/dat/samples"
head -c 3000 "$SOURCE/dat/samples/drum0.ogg" >"$samples/drum0.ogg"         # cut in its headers
head -c 6000 "$SOURCE/dat/samples/step.ogg" >"$samples/step.ogg"           # cut in its sound
printf 'XXXXXXXXXXXXXXXX' | dd of="$samples/push.ogg" bs=1 seek=200 conv=notrunc 2>/dev/null
printf 'XXXXXXXXXXXXXXXX' | dd of="$samples/rotate.ogg" bs=1 seek=5000 conv=notrunc 2>/dev/null
: >"$samples/start.ogg"                                                    # empty
sox -n -r 44100 -c 1 "$samples/swap.ogg" synth 0.5 sine 300                # one channel
sox -n -r 44100 -c 2 -C -1 "$samples/drum1.ogg" synth 180 sine 200 vol 0.1 # three minutes
head -c 20000 /dev/urandom >"$samples/ball.ogg"                            # not Ogg
cp "$SOURCE/dat/ms0.txt" "$samples/drum2.ogg"
truncate -s 80M "$samples/score.ogg"                                       # too large to read
rm "$samples/end.ogg" && mkdir "$samples/end.ogg"                          # a folder
rm "$samples/drum3.ogg"                                                    # missing

# The title picture: large and negative numbers, then one too large for 32 bits, after
# which the rest of the picture stays empty.
awk 'BEGIN { for (k = 0; k < 4096; ++k) {
    r = k % 6
    printf "%s ", (k == 3000 ? "4294967298" : r == 0 ? "-1" : r == 1 ? "-2147483648" : r == 2 ? "+2147483647" : r == 3 ? "259" : r == 4 ? "-250" : "3")
    if (k % 64 == 63) printf "\n" } }' >"$RUN/dat/ms0.txt"
head -c 30000 /dev/urandom >"$RUN/dat/ms1.txt"
head -c 10000000 /dev/zero | tr '\0' '7' >"$RUN/dat/ms2.txt"

start_screen
start_game
sleep 1 # the loader has been through every file
press Return
sleep 0.3
screenshot check_match
for key in space Up Left Up Right Up Down Up w a s d Up Up; do
    hold "$key"
done
press Escape
sleep 0.3
screenshot check_title
press Escape
expect_exit 0
