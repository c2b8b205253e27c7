#!/usr/bin/env bash
# Captures per second on libsigrok's demonstration device (two analog
# channels) at 1 us/div, 100 us/div and 10 ms/div: OrvaScope's libsigrok
# adapter (one acquisition of three screens after another on its own thread,
# taken by a polling loop as the window's passes take them) beside
# libsigrok's own command-line tool asked for the same number of samples at
# the same rate, one run of the tool per capture, in one run of this script.
#   bench/sigrok_capture.sh [BUILD] [SECONDS]
# BUILD is a build folder made with -DORVA_BUILD_BENCH=ON (default build-bench).
# Prints one table row per timebase.
set -euo pipefail
build=${1:-build-bench}
seconds=${2:-3}
bin=$build/bin/sigrok-capture-bench
[[ -x $bin ]] || { echo "no $bin: configure with -DORVA_BUILD_BENCH=ON and build first" >&2; exit 2; }
command -v sigrok-cli >/dev/null || { echo "sigrok-cli is not installed (scripts/install-deps.sh)" >&2; exit 2; }

ours=$("$bin" "$seconds")
printf '| timebase | rate | samples | OrvaScope captures/s | data to taker, last packet (ms) | data to taker, first packet (ms) | sigrok-cli captures/s | sigrok-cli ms per capture | ratio |\n'
printf '|---|---|---|---|---|---|---|---|---|\n'
while read -r tb rate samples per_s last first _acquired; do
  runs=0
  start=$(date +%s.%N)
  while :; do
    sigrok-cli -d demo:analog_channels=2:logic_channels=0 --config "samplerate=$rate" \
      --samples "$samples" -O null >/dev/null 2>&1
    runs=$((runs + 1))
    now=$(date +%s.%N)
    awk -v s="$start" -v n="$now" -v l="$seconds" 'BEGIN { exit !(n - s < l) }' || break
  done
  awk -v tb="$tb" -v r="$rate" -v n="$samples" -v p="$per_s" -v l="$last" -v f="$first" \
      -v runs="$runs" -v s="$start" -v e="$now" 'BEGIN {
    cli = runs / (e - s)
    printf "| %s | %d Hz | %d | %.1f | %.3f | %.1f | %.1f | %.0f | %.1f |\n", tb, r, n, p, l, f, cli, 1000 / cli, p / cli }'
done <<<"$ours"
