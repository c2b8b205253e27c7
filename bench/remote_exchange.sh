#!/usr/bin/env bash
# Exchanges per second between two headless stations on the loopback
# interface, beside the board station's own captures per second without a
# peer, at timebases 2, 8 and 16 (50 ns, 5 us and 2 ms per division; the board
# station on the demonstration generator, the remote station drawing what
# arrives). Every figure is taken over a whole run, never over a few passes:
#   alone           captures per second of a headless run of EXCHANGES captures
#   exchanges/s     the remote station's exchanges, first to last
#   board station   its captures per second over the same span
# Each timebase is measured RUNS times (default 3), one table row per run.
# The board station's printed timebase must be the one of the row; a row
# measured at another timebase stops the bench (exit status 1).
#   bench/remote_exchange.sh [BUILD] [EXCHANGES] [RUNS]
set -euo pipefail
build=${1:-build}
n=${2:-3000}
runs=${3:-3}
bin=$build/bin/OrvaScope
[[ -x $bin ]] || { echo "no $bin: build first" >&2; exit 2; }
export QT_QPA_PLATFORM=offscreen
unset ORVABOARD_SIM
tmp=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$tmp"' EXIT

field() { awk -F': *' -v k="$1" '$1 == k {print $2; exit}' "$2"; }
setting() { awk -F' = ' -v k="$1" '$1 == k {print $2; exit}' "$2"; }
declare -A label=([2]="50ns/Div" [8]="5us/Div" [16]="2ms/Div")
check() {  # file, timebase, who
  local shown
  shown=$(setting "TimebaseDisplay(1)" "$1")
  [[ $shown == "${label[$2]}" ]] || {
    echo "timebase $2: the $3 ran at '$shown', not ${label[$2]}" >&2
    exit 1
  }
}

printf '| run | timebase | board alone, captures/s | remote station, exchanges/s | board station while exchanging, captures/s | exchanges / alone | board while exchanging / alone |\n'
printf '|---|---|---|---|---|---|---|\n'
for run in $(seq "$runs"); do
  for tb in 2 8 16; do
    "$bin" --headless --passes "$n" --timeout 600 --set "BaseDeTiemposActual=$tb" >"$tmp/alone" 2>/dev/null
    check "$tmp/alone" "$tb" "board alone"
    alone=$(field "captures per second" "$tmp/alone")

    "$bin" --headless --board-station --port 0 --timeout 600 --set "BaseDeTiemposActual=$tb" \
      >"$tmp/board" 2>/dev/null &
    board=$!
    for _ in $(seq 200); do grep -q "^remote link: waiting.* port [0-9]" "$tmp/board" && break; sleep 0.05; done
    port=$(grep -o "port [0-9]*" "$tmp/board" | head -1 | awk '{print $2}')
    "$bin" --headless --remote-station 127.0.0.1 --port "$port" --passes "$n" --timeout 600 \
      >"$tmp/remote" 2>/dev/null
    wait "$board" || true
    check "$tmp/board" "$tb" "board station"
    check "$tmp/remote" "$tb" "remote station"
    ex=$(field "exchanges per second" "$tmp/remote")
    during=$(field "captures per second while exchanging" "$tmp/board")
    awk -v r="$run" -v tb="$tb" -v a="$alone" -v e="$ex" -v d="$during" 'BEGIN {
      printf "| %d | %d | %.0f | %.0f | %.0f | %.2f | %.2f |\n", r, tb, a, e, d, e / a, d / a }'
  done
done
