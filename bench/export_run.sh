#!/usr/bin/env bash
# movrel export as a user runs it, on the 64 MiB database of whole_run.sh:
#   export_run.sh [BUILD_DIR [RUNS]]      (defaults: build, 5)
# Times, alternating and RUNS times each, to a file on the same disk:
#   text   movrel export -o notes.txt DB
#   kdbx   movrel export --format kdbx -o notes.kdbx DB
#   kdf    movrel export --format kdbx -o one.kdbx ONE   (a one-note database:
#          start-up and the key derivation, Argon2id over 64 MiB, alone)
# and prints the medians, kdbx / text, and (kdbx - kdf) / text: what writing
# the notes into a KeePass file costs beside writing them as text, the key
# derivation's fixed second shown apart. The machine may be shared: compare
# the ratios of one run, not times across runs.
set -euo pipefail

build=${1:-build}
runs=${2:-5}
movrel=$build/movrel/movrel
writer=$build/tools/mkmovrel
for program in "$movrel" "$writer"; do
  [[ -x $program ]] || { echo "export_run.sh: no $program (build first)" >&2; exit 2; }
done
if [[ -z ${EXPORT_RUN_DETACHED:-} ]] && (: </dev/tty) 2>/dev/null; then
  EXPORT_RUN_DETACHED=1 exec setsid -w "$0" "$@" </dev/null
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/export-run.XXXXXX")
trap 'rm -rf "$work"' EXIT

source "$(dirname "$0")/timing.sh"
make_64mib_database "$writer" "$work/big.pdb"
"$writer" "$work/one.pdb" benchmark "One" "$work/short.txt"
echo "database: $(stat -c %s "$work/big.pdb") bytes, 10000 categories"
printf 'benchmark\nkeepass\nkeepass\n' >"$work/input"

run_text() { rm -f "$work/notes.txt"; "$movrel" export -o "$work/notes.txt" "$work/big.pdb" <"$work/input" 2>/dev/null; }
run_kdbx() {
  rm -f "$work/notes.kdbx"
  "$movrel" export --format kdbx -o "$work/notes.kdbx" "$work/big.pdb" <"$work/input" 2>/dev/null
}
run_kdf() { rm -f "$work/one.kdbx"; "$movrel" export --format kdbx -o "$work/one.kdbx" "$work/one.pdb" <"$work/input" 2>/dev/null; }

time_alternating "$runs" run_text run_kdbx run_kdf >"$work/medians"
echo "sizes: notes.txt $(stat -c %s "$work/notes.txt") bytes, notes.kdbx $(stat -c %s "$work/notes.kdbx") bytes"
echo "medians of $runs runs (seconds; all times in brackets):"
sed 's/^run_/  /' "$work/medians"
awk -v t="$(seconds_of run_text)" -v k="$(seconds_of run_kdbx)" -v d="$(seconds_of run_kdf)" 'BEGIN {
  printf "kdbx / text: %.2f   (kdbx - kdf) / text: %.2f   kdf: %.2f s\n", k / t, (k - d) / t, d
}'
