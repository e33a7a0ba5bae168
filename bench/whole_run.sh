#!/usr/bin/env bash
# The tool as a user runs it, against the memory and hardware-AES floors:
#   whole_run.sh [BUILD_DIR [RUNS]]      (defaults: build, 7)
# Makes a 64 MiB database of 10,000 categories with BUILD_DIR's mkmovrel, then
# times, alternating and RUNS times each,
#   movrelview FILE          (password on standard input, output to /dev/null)
#   cat FILE > /dev/null
#   openssl enc -d -aes-128-ecb -nopad -K ... -in FILE -out /dev/null
# and prints the median wall time of each and the two ratios of movrelview to
# the others, with the checksum of movrelview's output and its peak resident
# memory. Then the same for the demo database against `cat` alone, where only
# starting the process counts. The machine may be shared: compare the ratios
# of one run, not times across runs.
set -euo pipefail

build=${1:-build}
runs=${2:-7}
viewer=$build/app/movrelview
writer=$build/tools/mkmovrel
demo=$(dirname "$0")/../examples/demo.pdb
for program in "$viewer" "$writer"; do
  [[ -x $program ]] || { echo "whole_run.sh: no $program (build first)" >&2; exit 2; }
done
command -v openssl >/dev/null || { echo "whole_run.sh: openssl is not installed" >&2; exit 2; }

# With a controlling terminal the tool would prompt there; a new session has
# none, so it takes the password from standard input.
if [[ -z ${WHOLE_RUN_DETACHED:-} ]] && (: </dev/tty) 2>/dev/null; then
  WHOLE_RUN_DETACHED=1 exec setsid -w "$0" "$@" </dev/null
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
source "$(dirname "$0")/timing.sh"

database=$work/big.pdb
make_64mib_database "$writer" "$database"
size=$(stat -c %s "$database")
echo "database: $size bytes, 10000 categories"
echo benchmark >"$work/password"
echo palmpilot >"$work/demo-password"
key=000102030405060708090a0b0c0d0e0f

run_viewer() { "$viewer" "$database" <"$work/password" >/dev/null 2>&1; }
run_cat() { cat "$database" >/dev/null; }
run_openssl() { openssl enc -d -aes-128-ecb -nopad -K "$key" -in "$database" -out /dev/null; }
run_demo_viewer() { "$viewer" "$demo" <"$work/demo-password" >/dev/null 2>&1; }
run_demo_cat() { cat "$demo" >/dev/null; }

checksum=$("$viewer" "$database" <"$work/password" 2>/dev/null | sha256sum | cut -d' ' -f1)
echo "movrelview output sha256: $checksum"
if [[ -x /usr/bin/time ]]; then
  /usr/bin/time -o "$work/peak" -f %M "$viewer" "$database" <"$work/password" >/dev/null 2>&1
  echo "movrelview peak resident: $(cat "$work/peak") KiB (file $((size / 1024)) KiB)"
fi

time_alternating "$runs" run_viewer run_cat run_openssl >"$work/medians"
echo "64 MiB database, medians of $runs runs (seconds; all times in brackets):"
sed 's/^run_/  /' "$work/medians"
awk -v v="$(seconds_of run_viewer)" -v c="$(seconds_of run_cat)" -v o="$(seconds_of run_openssl)" 'BEGIN {
  printf "movrelview / openssl: %.2f   (goal <= 1.0)\n", v / o
  printf "movrelview / cat:     %.2f   (goal <= 3.0)\n", v / c
}'

if [[ -f $demo ]]; then
  demo_runs=$((runs * 3))
  time_alternating "$demo_runs" run_demo_viewer run_demo_cat >"$work/medians"
  echo "demo database, medians of $demo_runs runs:"
  sed 's/^run_demo_/  /' "$work/medians"
  awk -v v="$(seconds_of run_demo_viewer)" -v c="$(seconds_of run_demo_cat)" 'BEGIN {
    printf "movrelview / cat (demo): %.2f   (goal <= 1.2)\n", v / c
  }'
fi
