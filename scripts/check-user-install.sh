#!/usr/bin/env bash
# Runs the packaged program as an ordinary user: the package unpacked into a
# scratch root owned by root (as an installation leaves /usr), then run as
# `nobody` with a fresh HOME from a folder that user cannot write to. A
# headless run stores a channel and a configuration under bare names; the
# files must appear in that user's documents folder (~/Documents/OrvaScope),
# the run must print their full names and write nothing on standard error,
# and loading them back must work. The data folder must come out unchanged.
#
# Usage: scripts/check-user-install.sh FILE.deb     (as root)
#        scripts/check-user-install.sh --tree ROOT  an installed tree owned by root
set -euo pipefail

fail() { echo "check-user-install: $*" >&2; exit 1; }
[[ $(id -u) -eq 0 ]] || fail "must run as root (it switches to the user nobody)"
id nobody >/dev/null 2>&1 || fail "no user nobody"

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
chmod 755 "$scratch"
case "${1:-}" in
  --tree) root=$(readlink -f "$2"); deb=$root ;;
  *)
    deb=${1:-}
    [[ -f "$deb" ]] || { echo "usage: $0 FILE.deb | --tree ROOT" >&2; exit 2; }
    root=$scratch/root
    dpkg -x "$deb" "$root"
    ;;
esac
p=$root/usr
home=$scratch/home
runtime=$scratch/runtime
install -d -m 755 -o nobody "$home"
install -d -m 700 -o nobody "$runtime"
before=$(cd "$p" && find . -type f -exec sha256sum {} + | sort)

as_user() {
  (cd / && runuser -u nobody -- env -i HOME="$home" XDG_RUNTIME_DIR="$runtime" \
     PATH=/usr/bin:/bin QT_QPA_PLATFORM=offscreen "$p/bin/orvascope" "$@")
}

folder=$home/Documents/OrvaScope
out=$(as_user --headless --passes 5 --save-signal 1 s.mdb --save-config c.mdb --export-csv t.csv \
      2>"$scratch/err") || fail "the store run failed: $(cat "$scratch/err")"
[[ ! -s "$scratch/err" ]] || fail "the store run wrote on standard error: $(cat "$scratch/err")"
for line in "signal saved: $folder/s.mdb (channel 1)" "configuration saved: $folder/c.mdb" \
            "traces exported: $folder/t.csv (CSV)"; do
  grep -qxF "$line" <<<"$out" || fail "no line '$line' in: $out"
done
for f in s.mdb c.mdb t.csv; do
  [[ -f "$folder/$f" ]] || fail "no $folder/$f"
  [[ $(stat -c %U "$folder/$f") == nobody ]] || fail "$folder/$f is not the user's"
done

out=$(as_user --headless --passes 2 --open-config c.mdb --open-signal s.mdb 2>"$scratch/err") ||
  fail "the load run failed: $(cat "$scratch/err")"
[[ ! -s "$scratch/err" ]] || fail "the load run wrote on standard error: $(cat "$scratch/err")"
for line in "configuration loaded: $folder/c.mdb" "signal loaded: $folder/s.mdb (768 samples)"; do
  grep -qxF "$line" <<<"$out" || fail "no line '$line' in: $out"
done

after=$(cd "$p" && find . -type f -exec sha256sum {} + | sort)
[[ "$before" == "$after" ]] || fail "the program changed the installed tree: $(diff <(echo "$before") <(echo "$after") || true)"
echo "check-user-install: $deb: the user nobody stores, saves and loads in $folder; the installed tree is unchanged"
