#!/usr/bin/env bash
# zembrix-cli beside keepassxc-cli on the same data: a deterministic KeePass XML file of N
# entries in 20 groups (notes of about 200 bytes, some Chinese, 1% holding "needle") is imported
# into a box with `zembrix-cli import` and into a database with `keepassxc-cli import` (its
# default settings). One hyperfine run then times whole-process ls of one group, search with 1%
# hits and with none, show, and add (on fresh copies) for both tools; /usr/bin/time -v gives
# their peak memory. Prints our median, theirs and the ratio, at 10,000 and at 100,000 entries.
# Targets: search time ratios <= 0.07, every other time ratio <= 0.1, every memory ratio <= 0.25.
# BENCH_SIZES overrides the sizes ("10000 100000"), BENCH_RUNS the runs per command (10).
set -euo pipefail
build="${1:-build}"
cli="$(realpath "$build/bin/zembrix-cli")"
peer=/usr/bin/keepassxc-cli
for b in "$cli" "$peer" /usr/bin/time; do
  [ -x "$b" ] || { echo "missing $b (build first; scripts/install-deps.sh installs the rest)"; exit 1; }
done
command -v hyperfine >/dev/null || { echo "missing hyperfine"; exit 1; }
sizes="${BENCH_SIZES:-10000 100000}"
runs="${BENCH_RUNS:-10}"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_RUNTIME_DIR="$work/run" TMPDIR="$work" XDG_CONFIG_HOME="$work/config" XDG_CACHE_HOME="$work/cache"
mkdir -m 700 "$XDG_RUNTIME_DIR"
pw="$work/password"
echo "bench-password" > "$pw"
printf 'bench-password\nbench-password\n' > "$work/password-twice"

# The dataset as KeePass XML: entry i in group i % 20, title entry-NNNNNN (no title is a prefix
# of another), every 100th entry's notes hold "needle".
make_xml() {
  awk -v n="$1" 'BEGIN {
    filler = "Lorem ipsum dolor sit amet, consectetur adipiscing elit; 备注文字，用于测试导入与搜索。"
    print "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
    print "<KeePassFile><Meta><Generator>bench</Generator></Meta><Root><Group><Name>Root</Name>"
    for (g = 0; g < 20; g++) {
      printf "<Group><Name>group-%02d</Name>\n", g
      for (i = g; i < n; i += 20) {
        notes = sprintf("第 %d 条备注 %s %s", i, filler, filler)
        if (i % 100 == 7) notes = notes " needle"
        printf "<Entry><String><Key>Title</Key><Value>entry-%06d</Value></String>", i
        printf "<String><Key>UserName</Key><Value>user-%d</Value></String>", i
        printf "<String><Key>Password</Key><Value>pw-%d</Value></String>", (i * 7919) % 1000003
        printf "<String><Key>URL</Key><Value>https://site-%d.example.com/</Value></String>", i
        printf "<String><Key>Notes</Key><Value>%s</Value></String></Entry>\n", notes
      }
      print "</Group>"
    }
    print "</Group></Root></KeePassFile>"
  }'
}

status=0
report="$work/report.txt"
printf '%-8s %-12s %11s %11s %7s %7s   %9s %9s %7s %7s\n' entries command "ours ms" "theirs ms" ratio target \
  "ours MiB" "theirs MiB" ratio "<= 0.25" > "$report"

for n in $sizes; do
  xml="$work/data-$n.xml"
  make_xml "$n" > "$xml"
  box="$work/box-$n.zmb"
  db="$work/db-$n.kdbx"
  "$cli" create "$box" < "$pw" >/dev/null
  start=$(date +%s.%N)
  "$cli" import "$box" "$xml" < "$pw" >/dev/null
  mid=$(date +%s.%N)
  "$peer" import -q -p "$xml" "$db" < "$work/password-twice" >/dev/null
  end=$(date +%s.%N)
  echo "$n entries: $(stat -c %s "$xml") bytes of XML; import $(awk -v a="$start" -v b="$mid" 'BEGIN{printf "%.1f", b-a}') s ours," \
       "$(awk -v a="$mid" -v b="$end" 'BEGIN{printf "%.1f", b-a}') s theirs; box $(stat -c %s "$box") bytes, database $(stat -c %s "$db") bytes"
  cp "$box" "$box.base"
  cp "$db" "$db.base"

  # The entry both tools show: entry-005000 (group 0), our id found by search.
  target=005000
  ourid=$("$cli" search "$box" "entry-$target" --json < "$pw" | awk -F'"' '/"ref"/ { print $4; exit }')
  [ -n "$ourid" ] || { echo "entry-$target not found in the box"; exit 1; }
  group="group-$(printf '%02d' $(( 10#$target % 20 )))"

  names=(ls search-1pct search-none show add)
  ours=(
    "$cli ls $box '<网上信息>/group-07' < $pw"
    "$cli search $box needle < $pw"
    "$cli search $box no-such-text < $pw || true" # exits 1 when nothing is found, as grep does
    "$cli show $box $ourid < $pw"
    "$cli add web $box --folder '<网上信息>/group-07' --title new-entry --user someone < $pw"
  )
  theirs=(
    "$peer ls -q $db group-07 < $pw"
    "$peer search -q $db needle < $pw"
    "$peer search -q $db no-such-text < $pw || true"
    "$peer show -q $db $group/entry-$target < $pw"
    "$peer add -q -u someone $db group-07/new-entry < $pw"
  )
  # Each command once, and the hit counts, so that the timings are of runs that work alike.
  for i in "${!names[@]}"; do
    bash -c "${ours[$i]}" >/dev/null || { echo "ours: ${names[$i]} failed"; exit 1; }
    bash -c "${theirs[$i]}" >/dev/null || { echo "theirs: ${names[$i]} failed"; exit 1; }
  done
  cp "$box.base" "$box"
  cp "$db.base" "$db"
  hits_ours=$(bash -c "${ours[1]} --json" | grep -c '"ref"')
  hits_theirs=$(bash -c "${theirs[1]}" | grep -c .)
  [ "$hits_ours" = $((n / 100)) ] && [ "$hits_theirs" = $((n / 100)) ] ||
    { echo "search hits differ from 1%: ours $hits_ours, theirs $hits_theirs"; exit 1; }

  args=()
  for i in "${!names[@]}"; do
    for side in ours theirs; do
      if [ "$side" = ours ]; then cmd="${ours[$i]}"; prep="cp $box.base $box"; else cmd="${theirs[$i]}"; prep="cp $db.base $db"; fi
      [ "${names[$i]}" = add ] || prep=true
      args+=(--prepare "$prep" -n "$side-${names[$i]}" "$cmd")
    done
  done
  csv="$work/times-$n.csv"
  hyperfine --warmup 1 --runs "$runs" --export-csv "$csv" "${args[@]}" >/dev/null

  for i in "${!names[@]}"; do
    median() { awk -F, -v k="$1" '$1 == k { printf "%.1f", $4 * 1000 }' "$csv"; }
    peak() {
      cp "$box.base" "$box"; cp "$db.base" "$db"
      # Exit codes were checked above; a search for nothing exits 1 on both sides.
      { /usr/bin/time -v bash -c "exec $1" >/dev/null || true; } 2>&1 |
        awk -F: '/Maximum resident/ { gsub(/ /, "", $2); printf "%.1f", $2 / 1024 }'
    }
    mo=$(median "ours-${names[$i]}"); mt=$(median "theirs-${names[$i]}")
    po=$(peak "${ours[$i]}"); pt=$(peak "${theirs[$i]}")
    rt=$(awk -v a="$mo" -v b="$mt" 'BEGIN { printf "%.3f", a / b }')
    rm=$(awk -v a="$po" -v b="$pt" 'BEGIN { printf "%.3f", a / b }')
    target=0.1
    case "${names[$i]}" in search*) target=0.07 ;; esac
    vt="<=$target"; vm=ok
    awk -v r="$rt" -v t="$target" 'BEGIN { exit !(r <= t) }' || { vt=MISSED; status=1; }
    awk -v r="$rm" 'BEGIN { exit !(r <= 0.25) }' || { vm=MISSED; status=1; }
    printf '%-8s %-12s %11s %11s %7s %7s   %9s %9s %7s %7s\n' "$n" "${names[$i]}" "$mo" "$mt" "$rt" "$vt" \
      "$po" "$pt" "$rm" "$vm" >> "$report"
  done
  rm -f "$xml" "$box" "$box.base" "$db" "$db.base"
done
echo
cat "$report"
exit $status
