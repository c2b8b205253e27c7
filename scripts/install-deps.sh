#!/usr/bin/env bash
# Installs the Debian packages OrvaScope needs to build, test and run.
# Idempotent: only packages that are not yet installed are asked of apt-get.
# Usage: scripts/install-deps.sh [--fuzz]
#   --fuzz  also clang and its libFuzzer runtime (the fuzz build, make fuzz)
set -euo pipefail

packages=(
  g++ make cmake ninja-build pkg-config
  libgtest-dev libgmock-dev
  libsqlite3-dev sqlite3
  qt6-base-dev libqt6sql6-sqlite
  libqt6svg6 qt6-translations-l10n
  qt6-multimedia-dev pulseaudio pulseaudio-utils
  libfftw3-dev libbenchmark-dev
  libsndfile1-dev
  # instruments through libsigrok; its command-line tool is the peer of
  # bench/sigrok_capture.sh
  libsigrok-dev sigrok-cli
  dpkg-dev file desktop-file-utils
  xauth xvfb
  locales
  poppler-utils
)
for arg in "$@"; do
  case "$arg" in
    # libclang_rt.fuzzer*.a (and the sanitizer runtimes) come with the
    # compiler runtime package of the same clang version.
    --fuzz) packages+=(clang-14 libclang-rt-14-dev) ;;
    *) echo "usage: $0 [--fuzz]" >&2; exit 2 ;;
  esac
done

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  if [[ "$status" != "install ok installed" ]]; then
    missing+=("$p")
  fi
done

# Comma-decimal locales: the readouts and number texts follow the user's
# locale, and the tests check them in one of these.
ensure_locales() {
  local want=(de_DE.UTF-8 fr_FR.UTF-8 es_ES.UTF-8)
  local have
  have=$(locale -a 2>/dev/null | tr 'A-Z' 'a-z' | sed 's/utf-8/utf8/')
  for l in "${want[@]}"; do
    local norm
    norm=$(echo "$l" | tr 'A-Z' 'a-z' | sed 's/utf-8/utf8/')
    if ! grep -qx "$norm" <<<"$have"; then
      if [[ $(id -u) -eq 0 ]]; then
        localedef -i "${l%%.*}" -f UTF-8 "$l" || echo "warning: could not generate locale $l" >&2
      else
        echo "note: locale $l is missing; comma-locale tests will be skipped" >&2
      fi
    fi
  done
}

if ((${#missing[@]} == 0)); then
  ensure_locales
  exit 0
fi

echo "Installing: ${missing[*]}"
sudo_cmd=()
if [[ $(id -u) -ne 0 ]]; then
  if command -v sudo >/dev/null; then
    sudo_cmd=(sudo)
  else
    echo "error: packages missing (${missing[*]}) and not running as root; install them by hand" >&2
    exit 1
  fi
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -q
"${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
ensure_locales
