#!/usr/bin/env bash
# Exchanges per second between two headless stations on the loopback
# interface, beside the board station's own passes per second without a peer,
# at timebases 2, 8 and 16 (the board station on the demonstration generator,
# the remote station drawing what arrives), in one run.
#   bench/remote_exchange.sh [BUILD] [EXCHANGES]
# Prints one table row per timebase:
#   timebase | alone passes/s | exchanges/s | board passes/s while exchanging | ratios
set -euo pipefail
build=${1:-build}
n=${2:-3000}
bin=$build/bin/OrvaScope
[[ -x $bin ]] || { echo "no $bin: build first" >&2; exit 2; }
export QT_QPA_PLATFORM=offscreen
tmp=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$tmp"' EXIT

field() { awk -F': *' -v k="$1" '$1 == k {print $2; exit}' "$2"; }

printf '| timebase | board alone, passes/s | remote station, exchanges/s | board station while exchanging, passes/s | exchanges / alone | board while exchanging / alone |\n'
printf '|---|---|---|---|---|---|\n'
for tb in 2 8 16; do
  "$bin" --headless --passes "$n" --set "BaseDeTiemposActual=$tb" >"$tmp/alone" 2>/dev/null
  alone=$(field "passes per second" "$tmp/alone")

  "$bin" --headless --board-station --port 0 --set "BaseDeTiemposActual=$tb" >"$tmp/board" 2>/dev/null &
  board=$!
  for _ in $(seq 100); do grep -q "^remote link: waiting.* port [0-9]" "$tmp/board" && break; sleep 0.05; done
  port=$(grep -o "port [0-9]*" "$tmp/board" | head -1 | awk '{print $2}')
  "$bin" --headless --remote-station 127.0.0.1 --port "$port" --passes "$n" >"$tmp/remote" 2>/dev/null
  wait "$board" || true
  ex=$(field "exchanges per second" "$tmp/remote")
  during=$(field "passes per second" "$tmp/board")
  awk -v tb="$tb" -v a="$alone" -v e="$ex" -v d="$during" 'BEGIN {
    printf "| %d | %.0f | %.0f | %.0f | %.2f | %.2f |\n", tb, a, e, d, e / a, d / a }'
done
