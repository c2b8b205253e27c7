#!/usr/bin/env bash
# Runs the main job from a build folder: the OrvaScope window.
#
#   scripts/run-main.sh [build] [OrvaScope arguments...]
#
# With a display (DISPLAY or WAYLAND_DISPLAY set) the window opens in
# demonstration mode, switched off: press the power button. Without one the
# program runs headless (Qt's offscreen platform): it switches on, runs 50
# passes, writes the screen to <build>/orvascope-headless.png and prints the
# readouts and the passes-per-second figure.
#
# ORVABOARD_SIM set to a model name (ktr5, ...) makes the board library
# simulate that board; a headless run then acquires through the board path.
#
# The board probe of the board library stays reachable:
#   scripts/run-main.sh [build] --probe [orvaboard-probe arguments...]
set -euo pipefail
build=${1:-build}
shift || true
if [[ "${1:-}" == "--probe" ]]; then
  shift
  export ORVABOARD_SIM=${ORVABOARD_SIM-ktr5}
  exec "$build/bin/orvaboard-probe" "$@"
fi
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
  if [[ $# -eq 0 ]]; then
    set -- --headless --screenshot "$build/orvascope-headless.png"
  fi
  export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
  if [[ -z "${XDG_RUNTIME_DIR:-}" ]]; then
    export XDG_RUNTIME_DIR="$build/runtime"
    mkdir -p -m 700 "$XDG_RUNTIME_DIR"
  fi
fi
exec "$build/bin/OrvaScope" "$@"
