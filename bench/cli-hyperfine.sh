#!/usr/bin/env bash
# zembrix-cli as a whole process on a box of 10,000 web entries in 20 folders (built through the
# library by cli_bench_box): ls of a 500-entry folder, search with 1% hits and with none, show,
# and add, timed with hyperfine; peak memory of each with /usr/bin/time -v.
# Targets: ls, show, add under 60 ms; search under 150 ms; peak memory under 30 MiB.
set -euo pipefail
build="${1:-build}"
cli="$build/bin/zembrix-cli"
maker="$build/bin/cli_bench_box"
for b in "$cli" "$maker"; do
  [ -x "$b" ] || { echo "missing $b (build first)"; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_RUNTIME_DIR="$work/run" TMPDIR="$work"
mkdir -m 700 "$XDG_RUNTIME_DIR"
box="$work/bench.zmb"
pw="$work/password"
echo "bench-password" > "$pw"
"$maker" "$box" bench-password >/dev/null
cp "$box" "$work/base.zmb"
echo "box: $(stat -c %s "$box") bytes, 10,000 web entries in 20 folders"

folder='<网上信息>/folder-07'
names=(ls search-1pct search-none show add)
cmds=(
  "$cli ls $box '$folder' < $pw"
  "$cli search $box needle < $pw"
  "$cli search $box no-such-text < $pw"
  "$cli show $box web:5000 < $pw"
  "$cli add web $box --folder '$folder' --title new-entry --user someone < $pw"
)
targets=(60 150 150 60 60)

# Check every command once, so the timings are of runs that work.
for i in "${!cmds[@]}"; do
  bash -c "${cmds[$i]}" >/dev/null || { echo "${names[$i]} failed: ${cmds[$i]}"; exit 1; }
done
[ "$(bash -c "${cmds[1]} --json" | grep -c '"ref"')" = 100 ] || { echo "search does not hit 1%"; exit 1; }
cp "$work/base.zmb" "$box"

csv="$work/times.csv"
args=()
for i in "${!cmds[@]}"; do
  if [ "${names[$i]}" = add ]; then
    args+=(--prepare "cp $work/base.zmb $box")
  else
    args+=(--prepare "true")
  fi
  args+=(-n "${names[$i]}" "${cmds[$i]}")
done
# Through the shell (for the redirection); hyperfine subtracts the shell's own start-up time.
hyperfine --warmup 3 --runs 30 --export-csv "$csv" "${args[@]}" >"$work/hyperfine.log" 2>&1 || {
  cat "$work/hyperfine.log"; exit 1; }
echo "load average during the run:$(uptime | sed 's/.*load average://') (on $(nproc) cores)"

status=0
printf '%-12s %12s %10s %14s %10s\n' command "median ms" "target" "peak MiB" "target"
for i in "${!cmds[@]}"; do
  cp "$work/base.zmb" "$box"
  median=$(awk -F, -v n="${names[$i]}" '$1 == n { printf "%.1f", $4 * 1000 }' "$csv")
  kb=$( { /usr/bin/time -v bash -c "exec ${cmds[$i]}" >/dev/null; } 2>&1 | awk -F: '/Maximum resident/ { gsub(/ /, "", $2); print $2 }')
  mib=$(awk -v k="$kb" 'BEGIN { printf "%.1f", k / 1024 }')
  verdict=ok
  awk -v m="$median" -v t="${targets[$i]}" -v p="$mib" 'BEGIN { exit !(m < t && p < 30) }' || { verdict=MISSED; status=1; }
  printf '%-12s %12s %10s %14s %10s  %s\n' "${names[$i]}" "$median" "< ${targets[$i]}" "$mib" "< 30" "$verdict"
done
exit $status
