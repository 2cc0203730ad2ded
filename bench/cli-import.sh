#!/usr/bin/env bash
# zembrix-cli import of N entries (100,000 by default) from each format: a KeePass XML file of N
# entries in 20 groups (notes of about 200 bytes, some Chinese), the same file gzip-packed, and
# the JSON and CSV that `zembrix-cli export` writes of the box it made. Each import runs into a
# fresh box under /usr/bin/time -v; prints the median wall time and the largest peak memory of
# BENCH_RUNS runs (3) beside the target of 150 MiB, and exits 1 when a figure misses.
# BENCH_IMPORT_SIZE overrides N.
set -euo pipefail
build="${1:-build}"
cli="$(realpath "$build/bin/zembrix-cli")"
for b in "$cli" /usr/bin/time gzip; do
  command -v "$b" >/dev/null || { echo "missing $b (build first; scripts/install-deps.sh installs the rest)"; exit 1; }
done
n="${BENCH_IMPORT_SIZE:-100000}"
runs="${BENCH_RUNS:-3}"
target_mib=150

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_RUNTIME_DIR="$work/run" TMPDIR="$work" XDG_CONFIG_HOME="$work/config" XDG_CACHE_HOME="$work/cache"
mkdir -m 700 "$XDG_RUNTIME_DIR"
pw="$work/password"
echo "bench-password" > "$pw"

# The same data as bench/cli-vs-keepassxc.sh.
source <(sed -n '/^make_xml() {/,/^}/p' "$(dirname "$0")/cli-vs-keepassxc.sh")

make_xml "$n" > "$work/data.xml"
gzip -c "$work/data.xml" > "$work/data.xml.gz"
"$cli" create "$work/seed.zmb" < "$pw" >/dev/null
"$cli" import "$work/seed.zmb" "$work/data.xml" < "$pw" >/dev/null
"$cli" export "$work/seed.zmb" --format json -o "$work/data.json" < "$pw" >/dev/null
"$cli" export "$work/seed.zmb" --format csv -o "$work/data.csv" < "$pw" >/dev/null

status=0
printf '%-10s %12s %10s %10s %12s  %s\n' format "input MiB" "median s" "peak MiB" "target MiB" result
for format in keepass-xml gzip-xml json csv; do
  case $format in
    keepass-xml) input="$work/data.xml"; args=() ;;
    gzip-xml) input="$work/data.xml.gz"; args=(--format keepass-xml) ;;
    json) input="$work/data.json"; args=() ;;
    csv) input="$work/data.csv"; args=() ;;
  esac
  times=() peak=0 failed=0
  for ((r = 0; r < runs; r++)); do
    rm -f "$work/box.zmb"
    "$cli" create "$work/box.zmb" < "$pw" >/dev/null
    if ! /usr/bin/time -v -o "$work/time.txt" "$cli" import "$work/box.zmb" "$input" "${args[@]}" < "$pw" >/dev/null \
         2>"$work/err.txt"; then
      failed=1
      break
    fi
    times+=("$(awk -F': ' '/Elapsed \(wall clock\)/ { n = split($2, p, ":"); s = 0; for (i = 1; i <= n; i++) s = s * 60 + p[i]; print s }' "$work/time.txt")")
    kib=$(awk -F': ' '/Maximum resident set size/ { print $2 }' "$work/time.txt")
    (( kib > peak )) && peak=$kib
  done
  if (( failed )); then
    printf '%-10s %s\n' "$format" "import failed: $(head -c 200 "$work/err.txt")"
    status=1
    continue
  fi
  median=$(printf '%s\n' "${times[@]}" | sort -g | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }')
  mib=$(awk -v k="$peak" 'BEGIN { printf "%.0f", k / 1024 }')
  size=$(awk -v b="$(stat -c %s "$input")" 'BEGIN { printf "%.1f", b / 1048576 }')
  result=ok
  if (( mib > target_mib )); then result=MISSED; status=1; fi
  printf '%-10s %12s %10s %10s %12s  %s\n' "$format" "$size" "$median" "$mib" "<= $target_mib" "$result"
done
exit $status
