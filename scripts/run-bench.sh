#!/usr/bin/env bash
# Runs every benchmark binary of a bench build folder.
set -euo pipefail
build=${1:-build-bench}
shopt -s nullglob
found=0
for b in "$build"/bin/*-bench; do
  found=1
  echo "== $(basename "$b")"
  "$b" "${@:2}"
done
((found)) || { echo "no benchmark binaries in $build/bin" >&2; exit 1; }
