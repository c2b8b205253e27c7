#!/usr/bin/env bash
# Runs the fuzz targets of a fuzz build folder one after the other and prints,
# per target, the executions, libFuzzer's coverage figures and the outcome.
#
# Usage: scripts/run-fuzz.sh [--seeds-only] BUILD SECONDS [TARGET...]
#   BUILD    the fuzz build folder (make fuzz-build), holding fuzz-targets.txt
#   SECONDS  run time of each target
#   TARGET   only these targets (default: every target of the build)
#   --seeds-only  start from the checked-in seeds and keep what the run finds
#                 in a throw-away folder: fuzz/corpus/ is left as it is (CI)
# Without --seeds-only, new inputs are added to fuzz/corpus/<target>/ (named
# by libFuzzer after their SHA-1; git ignores those names).
#
# A crash, hang, leak or sanitizer report stops that target; its input is kept
# as BUILD/fuzz-artifacts/<target>/<kind>-<sha1> and the line to reproduce it
# is printed. The full log of each run is BUILD/fuzz-logs/<target>.log.
# Exit status 1 when any target found something or did not run.
#
# Environment: FUZZ_RUNS (also stop a target after this many executions),
# FUZZ_TIMEOUT (seconds one input may take, default 10), FUZZ_RSS_MB (memory
# limit, default 2048), FUZZ_NICE (niceness, default 19).
set -uo pipefail
cd "$(dirname "$0")/.."

seeds_only=0
if [[ "${1:-}" == "--seeds-only" ]]; then
  seeds_only=1
  shift
fi
if (($# < 2)); then
  sed -n '4,10p' "$0" >&2
  exit 2
fi
build=$1
seconds=$2
shift 2
if [[ ! -f "$build/fuzz-targets.txt" ]]; then
  echo "run-fuzz: $build is not a fuzz build (no fuzz-targets.txt); run make fuzz-build" >&2
  exit 2
fi
targets=("$@")
if ((${#targets[@]} == 0)); then
  mapfile -t targets < <(grep -v '^$' "$build/fuzz-targets.txt")
fi

scratch=""
if ((seeds_only)); then
  scratch=$(mktemp -d)
  trap 'rm -rf "$scratch"' EXIT
fi

export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
summary=()
failed=0
for t in "${targets[@]}"; do
  exe="$build/bin/$t"
  seeds="fuzz/corpus/$t"
  artifacts="$build/fuzz-artifacts/$t"
  log="$build/fuzz-logs/$t.log"
  mkdir -p "$artifacts" "$(dirname "$log")" "$seeds"
  if [[ ! -x "$exe" ]]; then
    summary+=("$(printf '%-22s %14s %8s %8s  %s' "$t" - - - "NOT BUILT ($exe)")")
    failed=1
    continue
  fi
  corpora=("$seeds")
  if ((seeds_only)); then
    mkdir -p "$scratch/$t"
    corpora=("$scratch/$t" "$seeds")
  fi
  echo "== $t: ${seconds}s${FUZZ_RUNS:+ or $FUZZ_RUNS executions}" >&2
  runs=()
  [[ -n "${FUZZ_RUNS:-}" ]] && runs=(-runs="$FUZZ_RUNS")
  nice -n "${FUZZ_NICE:-19}" "$exe" -max_total_time="$seconds" "${runs[@]}" \
    -timeout="${FUZZ_TIMEOUT:-10}" -rss_limit_mb="${FUZZ_RSS_MB:-2048}" -print_final_stats=1 \
    -artifact_prefix="$artifacts/" "${corpora[@]}" >"$log" 2>&1
  rc=$?
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  last=$(grep -E '^#[0-9]+' "$log" | grep ' cov: ' | tail -1)
  cov=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$last")
  ft=$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$last")
  if ((rc == 0)); then
    outcome="ok"
  else
    failed=1
    unit=$(sed -n 's/.*Test unit written to \(.*\)$/\1/p' "$log" | tail -1)
    # The target's own message when one of its checks failed, else the
    # sanitizer's or libFuzzer's summary line.
    kind=$(grep -m1 "^$t: " "$log" || grep -m1 '^SUMMARY: ' "$log" || true)
    outcome="FOUND: ${kind:-exit status $rc}"$'\n'"    input: ${unit:-not saved}"$'\n'"    reproduce: $exe ${unit:-<input>}"
    [[ -z "$execs" ]] && execs=$(grep -oE '^#[0-9]+' "$log" | tail -1 | tr -d '#')
  fi
  summary+=("$(printf '%-22s %14s %8s %8s  %s' "$t" "${execs:--}" "${cov:--}" "${ft:--}" "$outcome")")
done

echo
printf '%-22s %14s %8s %8s  %s\n' target executions cov ft outcome
passed=0
for line in "${summary[@]}"; do
  echo "$line"
  [[ "$line" == *"  ok" ]] && passed=$((passed + 1))
done
echo "(logs: $build/fuzz-logs/)"
echo "fuzz: $passed passed, $((${#summary[@]} - passed)) failed"
exit "$failed"
