# Sourced by the whole-process benchmarks (whole_run.sh, export_run.sh); needs
# $work, a scratch folder of the caller's.

# make_64mib_database MKMOVREL FILE: 10,000 categories, password "benchmark".
# File bytes: 78 header + 8 per record entry + 2 gap, then per category
# 38 + 8 * ceil(L / 8). With L = 6660 (833 blocks) for 8,902 categories and
# L = 6668 (834 blocks) for 1,098 the file is exactly 64 MiB, a whole number
# of AES blocks, so openssl's -nopad decryption ends cleanly. Leaves the two
# texts as $work/short.txt and $work/long.txt.
make_64mib_database() {
  local writer=$1 database=$2 i text
  local line='Milk, eggs, flour; call the garage on Tuesday; the spare key is with Anna.'
  local args=()
  text_of() { awk -v n="$1" -v l="$line" 'BEGIN { while (length(s) < n) s = s l "\n"; printf "%s", substr(s, 1, n) }'; }
  text_of 6660 >"$work/short.txt"
  text_of 6668 >"$work/long.txt"
  for ((i = 0; i < 10000; i++)); do
    text=$work/short.txt
    ((i < 1098)) && text=$work/long.txt
    args+=("Category $i" "$text")
  done
  "$writer" "$database" benchmark "${args[@]}"
}

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# time_alternating RUNS FUNCTION...: runs the functions in turn, RUNS rounds,
# after one untimed round that warms the page cache and the binaries; prints
# one line per function: its median, then every time, in seconds. Wall times
# come from bash's EPOCHREALTIME, so no timer process runs between commands.
time_alternating() {
  local rounds=$1 round name start end
  shift
  for name in "$@"; do "$name"; done
  for name in "$@"; do : >"$work/$name.times"; done
  for ((round = 0; round < rounds; round++)); do
    for name in "$@"; do
      start=$EPOCHREALTIME
      "$name"
      end=$EPOCHREALTIME
      awk -v a="$start" -v b="$end" 'BEGIN { printf "%.6f\n", b - a }' >>"$work/$name.times"
    done
  done
  for name in "$@"; do
    printf '%s %s   [%s]\n' "$name" "$(median <"$work/$name.times")" "$(tr '\n' ' ' <"$work/$name.times")"
  done
}

# seconds_of NAME: the median time_alternating printed for NAME into
# $work/medians.
seconds_of() { awk -v n="$1" '$1 == n { print $2 }' "$work/medians"; }
