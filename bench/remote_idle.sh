#!/usr/bin/env bash
# What the remote link costs while both stations are switched off: two
# OrvaScope windows (on Qt's offscreen platform) on the loopback interface, a
# board station and a remote station that has started its exchange, neither
# instrument switched on. After a settling time, over a fixed interval:
#   - each program's processor time, from utime + stime in /proc/PID/stat
#     (as a share of one core);
#   - the exchanges per second, from the bytes the board station's socket
#     sent (ss -ti bytes_sent), one sample message (16591 bytes) per exchange;
#     the messages per second are twice that (a settings message each way).
#   bench/remote_idle.sh [BUILD] [SECONDS]
set -euo pipefail
build=${1:-build}
secs=${2:-10}
bin=$build/bin/OrvaScope
[[ -x $bin ]] || { echo "no $bin: build first" >&2; exit 2; }
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}  # xcb with DISPLAY: on a real screen
unset ORVABOARD_SIM
tmp=$(mktemp -d)
pids=()
trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; rm -rf "$tmp"' EXIT

"$bin" --board-station --port 0 >"$tmp/board" 2>/dev/null &
pids+=($!)
board=$!
for _ in $(seq 200); do grep -q "^remote link: waiting.* port [0-9]" "$tmp/board" && break; sleep 0.05; done
port=$(grep -o "port [0-9]*" "$tmp/board" | head -1 | awk '{print $2}')
"$bin" --remote-station 127.0.0.1 --port "$port" >"$tmp/remote" 2>/dev/null &
pids+=($!)
remote=$!
sleep 3

ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
# Bytes sent by the board station's end of the connection (local port = $port).
sent() { ss -tinH state established "( sport = :$port )" | grep -o 'bytes_sent:[0-9]*' | head -1 | cut -d: -f2; }
hz=$(getconf CLK_TCK)
b0=$(ticks "$board"); r0=$(ticks "$remote"); s0=$(sent); t0=$(date +%s.%N)
sleep "$secs"
b1=$(ticks "$board"); r1=$(ticks "$remote"); s1=$(sent); t1=$(date +%s.%N)
awk -v b="$((b1 - b0))" -v r="$((r1 - r0))" -v s="$((s1 - s0))" -v t0="$t0" -v t1="$t1" -v hz="$hz" 'BEGIN {
  t = t1 - t0
  ex = s / 16591 / t
  printf "interval: %.1f s\n", t
  printf "exchanges per second: %.0f (messages per second: %.0f)\n", ex, 2 * ex
  printf "board station: %.0f%% of a core\n", 100 * b / hz / t
  printf "remote station: %.0f%% of a core\n", 100 * r / hz / t
}'
