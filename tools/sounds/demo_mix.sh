#!/bin/bash
# Renders a demo of the game's samples with sox, to judge them side by side: a drum
# groove at the music's tempo, then every sample alone in bank order, then the groove
# again with the game sounds on top, at about the loudness the game gives them.
# Usage: demo_mix.sh <samples folder> <output .wav>
set -euo pipefail
if [ $# -ne 2 ]; then
    echo "usage: $0 <samples folder> <output .wav>" >&2
    exit 2
fi
folder=$1
output=$2
half=0.15 # s, half a beat of the music (200 beats a minute)
inputs=()

# at <seconds> <sample> <volume>: queue one hit, at half the volume so the sum has room
at() {
    inputs+=(-v "$(echo "$3 / 2" | bc -l)" "|sox $folder/$2.ogg -p pad $1")
}

# groove <first half-beat> <bars>: two-bar drum pattern, 16 half-beats a bar
groove() {
    for bar in $(seq 0 $(($2 - 1))); do
        for step in $(seq 0 15); do
            t=$(echo "($1 + $bar * 16 + $step) * $half" | bc -l)
            case $step in
                0 | 6 | 8 | 11) at "$t" drum0 0.9 ;;
            esac
            case $step in
                4 | 12) at "$t" drum1 0.7 ;;
            esac
            case $step in
                14) at "$t" drum3 0.35 ;;
                *)
                    if [ $((step % 2)) -eq 0 ]; then
                        at "$t" drum2 0.35
                    else
                        at "$t" drum7 0.2
                    fi
                    ;;
            esac
            if [ $((bar % 2)) -eq 1 ]; then
                case $step in
                    3) at "$t" drum6 0.4 ;;
                    10) at "$t" drumA 0.3 ;;
                    13) at "$t" drum5 0.6 ;;
                    14) at "$t" drum8 0.6 ;;
                    15) at "$t" drum9 0.6 ;;
                esac
            fi
        done
    done
}

groove 0 2
start=$(echo "34 * $half" | bc -l)
names="drum0 drum1 drum2 drum3 drum4 drum5 drum6 drum7 drum8 drum9 drumA drumB drumC drumD drumE drumF
ball end push score start step rotate swap"
i=0
for name in $names; do
    at "$(echo "$start + $i * 0.8" | bc -l)" "$name" 0.8
    i=$((i + 1))
done
second=$(echo "($start + $i * 0.8) / $half + 2" | bc)
groove "$second" 2
i=0
for name in start step step rotate step push step swap ball step score end; do
    at "$(echo "($second + 1 + $i * 2.5) * $half" | bc -l)" "$name" 0.9
    i=$((i + 1))
done

sox -m "${inputs[@]}" -b 16 "$output" gain -n -1
