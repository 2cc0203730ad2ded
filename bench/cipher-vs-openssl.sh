#!/usr/bin/env bash
# Our Blowfish-CTS beside OpenSSL's BF-CBC on 4 KiB buffers, measured in one run on this machine.
set -euo pipefail
build="${1:-build}"
ours_json=$("$build/bin/bench_dataproc" --benchmark_filter='BM_Cts(Encode|Decode)/4096$' \
            --benchmark_min_time=2 --benchmark_format=json 2>/dev/null)
theirs=$(openssl speed -provider legacy -provider default -evp bf-cbc -bytes 4096 -seconds 3 2>/dev/null \
         | awk '/^BF-CBC/ { sub(/k$/, "", $2); print $2 * 1000 }')
python3 - "$theirs" <<PY
import json, sys
theirs = float(sys.argv[1])
data = json.loads('''$ours_json''')
print(f"{'':28}{'MB/s':>10}{'ratio to OpenSSL':>20}")
print(f"{'OpenSSL BF-CBC encrypt 4 KiB':28}{theirs / 1e6:>10.1f}{1.0:>20.2f}")
for b in data["benchmarks"]:
    rate = b["bytes_per_second"]
    name = "Zembrix CTS " + ("encode" if "Encode" in b["name"] else "decode") + " 4 KiB"
    print(f"{name:28}{rate / 1e6:>10.1f}{rate / theirs:>20.2f}")
PY
