#!/bin/sh
# The micro benchmarks' main cases timed in a page of headless Chromium, against the same
# cases of core_bench natively (bench/README.md): builds the page with ./web --build, serves
# it on a free local port, and prints its console lines.
set -eu
cd "$(dirname "$0")/.."
./web --build > /dev/null
export NODE_PATH=/usr/share/nodejs
cmake --build build/emscripten --target web_micro > /dev/null
work=$(mktemp -d)
python3 -u -m http.server 0 --bind 127.0.0.1 --directory build/emscripten/bench > "$work/server" 2>&1 &
server=$!
chromium=""
trap 'kill $server ${chromium:-} 2>/dev/null || true; wait; rm -rf "$work"' EXIT
for _ in $(seq 50); do
    port=$(sed -n 's/.*port \([0-9]*\).*/\1/p' "$work/server" 2>/dev/null || true)
    [ -n "$port" ] && break
    sleep 0.1
done
chromium --headless --no-sandbox --no-first-run --disable-background-networking \
    --disable-component-update --disable-sync --user-data-dir="$work/profile" \
    --enable-logging=stderr --v=0 "http://127.0.0.1:$port/" 2> "$work/log" &
chromium=$!
for _ in $(seq 600); do
    grep -q '"done"' "$work/log" && break
    sleep 0.1
done
sed -n 's/.*CONSOLE.*"\(.* us\)".*/\1/p' "$work/log"
