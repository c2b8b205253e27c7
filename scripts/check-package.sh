#!/usr/bin/env bash
# Checks an installed OrvaScope: every file it needs is in the tree, the
# libraries carry their SONAMEs and are found inside the tree, the desktop
# entry validates, a program builds against the two libraries through
# pkg-config, and the installed program runs headless from the tree (export
# and a signal save, so the templates are found from the install location).
#
# Usage: scripts/check-package.sh --tree ROOT   ROOT/usr/bin/OrvaScope ...
#        scripts/check-package.sh --deb FILE    unpacked with dpkg -x first
# CXXFLAGS: flags for the test program (a sanitized build needs its own).
set -euo pipefail

fail() { echo "check-package: $*" >&2; exit 1; }
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

case "${1:-}" in
  --tree) root=$2 ;;
  --deb)
    deb=$2
    [[ -f "$deb" ]] || fail "no package $deb"
    # The maintainer scripts do nothing but refresh the library cache: in
    # particular nothing grants a capability.
    dpkg-deb -e "$deb" "$scratch/control"
    for s in preinst postinst prerm postrm; do
      [[ -e "$scratch/control/$s" ]] || continue
      other=$(grep -vE '^(#!/bin/sh|set -e|if \[ "\$1" = "(configure|remove)" \]; then|[[:space:]]*ldconfig|fi|)$' \
              "$scratch/control/$s" || true)
      [[ -z "$other" ]] || fail "the package's $s does more than ldconfig: $other"
    done
    depends=$(dpkg-deb -f "$deb" Depends)
    for d in libqt6widgets6 libqt6multimedia6 libsndfile1 libsqlite3-0 libqt6svg6 qt6-translations-l10n libsigrok4; do
      grep -q "$d" <<<"$depends" || fail "Depends lacks $d: $depends"
    done
    root=$scratch/root
    dpkg -x "$deb" "$root"
    ;;
  *) echo "usage: $0 --tree ROOT | --deb FILE" >&2; exit 2 ;;
esac
p=$(readlink -f "$root")/usr

need=(bin/OrvaScope bin/orvascope bin/orvaboard-probe
      share/orvascope/ModelSignal.mdx share/orvascope/ModelKTR5.mdx
      share/applications/orvascope.desktop share/icons/hicolor/scalable/apps/orvascope.svg
      share/man/man1/orvascope.1.gz share/doc/orvascope/copyright
      include/orvaboard.h include/orvaboard_sim.h include/Sigdex.h
      lib/pkgconfig/orvaboard.pc lib/pkgconfig/sigdex.pc
      lib/liborva_manager.so.0
      share/orvascope/usr0.hlp share/orvascope/usr1.hlp share/orvascope/usr2.hlp
      share/orvascope/usr3.hlp)
for lib in orvaboard Sigdex SigdexP Mensajes; do
  need+=("lib/lib$lib.so.0" "lib/lib$lib.so")
  soname=$(objdump -p "$p/lib/lib$lib.so.0" | awk '$1 == "SONAME" {print $2}')
  [[ "$soname" == "lib$lib.so.0" ]] || fail "lib$lib.so.0 has SONAME '$soname'"
done
for f in "${need[@]}"; do
  [[ -e "$p/$f" ]] || fail "missing usr/$f"
done

# The program's own libraries resolve inside the tree, whatever the build left.
unset LD_LIBRARY_PATH
for lib in liborvaboard.so libSigdex.so liborva_manager.so; do
  where=$(readlink -f "$(ldd "$p/bin/OrvaScope" | awk -v l="$lib" 'index($1, l) == 1 {print $3}')")
  [[ "$where" == "$p/lib/"* ]] || fail "OrvaScope finds $lib at '$where', not in the tree"
done

if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$p/share/applications/orvascope.desktop" || fail "desktop entry does not validate"
fi
# The man page names every option --help lists.
man=$(zcat "$p/share/man/man1/orvascope.1.gz" | sed 's/\\-/-/g')
for opt in $(QT_QPA_PLATFORM=offscreen "$p/bin/orvascope" --help | grep -oE '^ +(-[a-z], )?--[a-z-]+' | grep -oE -- '--[a-z-]+'); do
  grep -qF -- "$opt" <<<"$man" || fail "the man page lacks $opt"
done
grep -qx 'License: GPL-3.0-or-later' "$p/share/doc/orvascope/copyright" || fail "copyright file lacks the licence"

# A program of someone else's, built against the installed libraries.
cat >"$scratch/user.cpp" <<'CPP'
#include <orvaboard.h>
#include <Sigdex.h>
#include <cstdio>
int main() {
  float in[8] = {1, 1, 1, 1, 1, 1, 1, 1}, out[8] = {};
  Hamming(in, out, 8);
  const int id = DLL_IN(0x392);  // identification byte of the simulated board
  std::printf("%d %d\n", id, out[0] < out[4] ? 1 : 0);
  return id == 129 && out[0] < out[4] ? 0 : 1;
}
CPP
export PKG_CONFIG_PATH=$p/lib/pkgconfig
# shellcheck disable=SC2046,SC2086
g++ ${CXXFLAGS:-} -o "$scratch/user" "$scratch/user.cpp" $(pkg-config --cflags --libs orvaboard sigdex) \
  -Wl,-rpath,"$p/lib" || fail "a program does not build against orvaboard and sigdex"
ORVABOARD_SIM=ktr5 "$scratch/user" >/dev/null || fail "the program built against the libraries fails"

# The installed program, headless, from a folder of its own (names with a
# folder part: a bare name would go to the user folder, see
# scripts/check-user-install.sh).
mkdir "$scratch/work"
out=$(cd "$scratch/work" && env -u ORVABOARD_SIM QT_QPA_PLATFORM=offscreen \
      XDG_RUNTIME_DIR="$scratch" "$p/bin/orvascope" --headless --passes 5 \
      --export-csv ./t.csv --export-wav ./t.wav --save-signal 1 ./s.mdb) ||
  fail "the installed program failed: $out"
for line in "captures: 5" "traces exported: ./t.csv (CSV)" "traces exported: ./t.wav (WAV)" "signal saved: ./s.mdb (channel 1)"; do
  grep -qxF "$line" <<<"$out" || fail "no line '$line' in: $out"
done
[[ $(head -n 1 "$scratch/work/t.csv") == "time (s),ch1 (V),ch2 (V)" ]] || fail "CSV header: $(head -n 1 "$scratch/work/t.csv")"
[[ $(wc -l <"$scratch/work/t.csv") -eq 769 ]] || fail "CSV rows: $(wc -l <"$scratch/work/t.csv")"
[[ $(head -c 4 "$scratch/work/t.wav") == RIFF ]] || fail "t.wav is not a WAV file"
echo "check-package: $root: installed tree complete, program runs headless from it"
