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

# As in whole_run.sh: 10,000 categories, exactly 64 MiB.
line='Milk, eggs, flour; call the garage on Tuesday; the spare key is with Anna.'
text_of() { awk -v n="$1" -v l="$line" 'BEGIN { while (length(s) < n) s = s l "\n"; printf "%s", substr(s, 1, n) }'; }
text_of 6660 >"$work/short.txt"
text_of 6668 >"$work/long.txt"
args=()
for ((i = 0; i < 10000; i++)); do
  text=$work/short.txt
  ((i < 1098)) && text=$work/long.txt
  args+=("Category $i" "$text")
done
"$writer" "$work/big.pdb" benchmark "${args[@]}"
"$writer" "$work/one.pdb" benchmark "One" "$work/short.txt"
echo "database: $(stat -c %s "$work/big.pdb") bytes, 10000 categories"
printf 'benchmark\nkeepass\nkeepass\n' >"$work/input"

run_text() { rm -f "$work/notes.txt"; "$movrel" export -o "$work/notes.txt" "$work/big.pdb" <"$work/input" 2>/dev/null; }
run_kdbx() {
  rm -f "$work/notes.kdbx"
  "$movrel" export --format kdbx -o "$work/notes.kdbx" "$work/big.pdb" <"$work/input" 2>/dev/null
}
run_kdf() { rm -f "$work/one.kdbx"; "$movrel" export --format kdbx -o "$work/one.kdbx" "$work/one.pdb" <"$work/input" 2>/dev/null; }

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
for name in run_text run_kdbx run_kdf; do "$name"; : >"$work/$name.times"; done
for ((round = 0; round < runs; round++)); do
  for name in run_text run_kdbx run_kdf; do
    start=$EPOCHREALTIME
    "$name"
    end=$EPOCHREALTIME
    awk -v a="$start" -v b="$end" 'BEGIN { printf "%.6f\n", b - a }' >>"$work/$name.times"
  done
done
echo "sizes: notes.txt $(stat -c %s "$work/notes.txt") bytes, notes.kdbx $(stat -c %s "$work/notes.kdbx") bytes"
echo "medians of $runs runs (seconds; all times in brackets):"
for name in run_text run_kdbx run_kdf; do
  printf '  %s %s   [%s]\n' "${name#run_}" "$(median <"$work/$name.times")" "$(tr '\n' ' ' <"$work/$name.times")"
done
awk -v t="$(median <"$work/run_text.times")" -v k="$(median <"$work/run_kdbx.times")" \
  -v d="$(median <"$work/run_kdf.times")" 'BEGIN {
  printf "kdbx / text: %.2f   (kdbx - kdf) / text: %.2f   kdf: %.2f s\n", k / t, (k - d) / t, d
}'
