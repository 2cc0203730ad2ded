#!/usr/bin/env bash
# zembrix-cli analyze --hibp: time per password looked up in a sorted breached-password list and
# peak memory, for lists of 100,000 and 1,000,000 lines (memory must not grow with the list).
set -euo pipefail
BUILD=${1:-build}
CLI=$(realpath "$BUILD/bin/zembrix-cli")
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
export XDG_RUNTIME_DIR=$WORK/run TMPDIR=$WORK
mkdir -m 700 "$WORK/run"
cd "$WORK"

ENTRIES=1000
printf 'bench-pw\n' | "$CLI" create box.zmb >/dev/null
python3 - "$ENTRIES" > import.json <<'PY'
import json, sys
n = int(sys.argv[1])
web = [{"id": i + 1, "folder": 4, "title": "e%d" % i, "password": "pw-%d" % i} for i in range(n)]
folders = [{"id": 1, "parent": 0, "name": "<网上信息>", "sort": 10},
           {"id": 4, "parent": 1, "name": "电子邮件", "sort": 10}]
print(json.dumps({"format": "zembrix-export", "version": 1, "folders": folders, "web": web}))
PY
printf 'bench-pw\n' | "$CLI" import box.zmb import.json >/dev/null

for LINES in 100000 1000000; do
  python3 - "$LINES" "$ENTRIES" > list-$LINES.txt <<'PY'
import hashlib, random, sys
lines, entries = int(sys.argv[1]), int(sys.argv[2])
rnd = random.Random(1)
digests = {hashlib.sha1(("pw-%d" % i).encode()).hexdigest().upper() for i in range(0, entries, 10)}
while len(digests) < lines:
    digests.add("%040X" % rnd.getrandbits(160))
sys.stdout.write("".join("%s:%d\r\n" % (d, rnd.randint(1, 9999)) for d in sorted(digests)))
PY
  for MODE in plain hibp; do
    ARGS=(analyze box.zmb --json)
    [ "$MODE" = hibp ] && ARGS+=(--hibp list-$LINES.txt)
    /usr/bin/time -v -o time-$MODE.txt bash -c 'printf "bench-pw\n" | "$0" "$@" > out.json || true' "$CLI" "${ARGS[@]}"
    grep -E 'Elapsed|Maximum resident' time-$MODE.txt | sed "s/^/  $MODE: /" > t-$MODE.txt
  done
  echo "list of $LINES lines ($(du -h list-$LINES.txt | cut -f1)), $ENTRIES passwords," \
    "$(python3 -c 'import json,sys; print(sum(any(p["check"] == "breached" for p in e["problems"]) for e in json.load(open(sys.argv[1]))))' out.json) found in the list:"
  cat t-plain.txt t-hibp.txt
  python3 - time-plain.txt time-hibp.txt "$ENTRIES" <<'PY'
import re, sys
def secs(path):
    t = re.search(r"Elapsed.*: (?:(\d+):)?(\d+):([\d.]+)", open(path).read())
    return (int(t.group(1) or 0) * 3600) + int(t.group(2)) * 60 + float(t.group(3))
def kb(path):
    return int(re.search(r"Maximum resident set size \(kbytes\): (\d+)", open(path).read()).group(1))
d = secs(sys.argv[2]) - secs(sys.argv[1])
print("  lookup: %.3f ms per password; peak memory %+d KiB against analyze without --hibp"
      % (d * 1000 / int(sys.argv[3]), kb(sys.argv[2]) - kb(sys.argv[1])))
PY
done
