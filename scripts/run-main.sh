#!/usr/bin/env bash
# Runs the main job from a build folder: the board probe against the simulated
# board (a real board is used when ORVABOARD_SIM is set to an empty value and
# the binary may access the ports).
set -euo pipefail
build=${1:-build}
export ORVABOARD_SIM=${ORVABOARD_SIM-ktr5}
exec "$build/bin/orvaboard-probe" "${@:2}"
