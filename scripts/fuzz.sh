#!/usr/bin/env bash
# Builds and runs the libFuzzer targets over the storage engine.
#
#   scripts/fuzz.sh build [BUILD_DIR]                 clang configuration in BUILD_DIR (default build-fuzz)
#   scripts/fuzz.sh check TARGET [BUILD_DIR]          a bounded run over the seed corpus (what `make test` does)
#   scripts/fuzz.sh long TARGET SECONDS [BUILD_DIR]   a long run; new inputs stay in BUILD_DIR/corpus-TARGET
#   scripts/fuzz.sh seeds [BUILD_DIR]                 rewrites the seed files in fuzz/corpus from the engine
#
# TARGET is container or stored-bytes. Findings land in BUILD_DIR/artifacts; a fix comes with the
# input that found it copied into fuzz/corpus/TARGET.
set -euo pipefail
cd "$(dirname "$0")/.."

# Inputs are files of at most 64 KiB; nothing the engine does with one may need more than the
# memory below, nor take longer than the timeout.
LIMITS=(-max_len=65536 -rss_limit_mb=2048 -malloc_limit_mb=256 -timeout=20)
CHECK_RUNS="${FUZZ_CHECK_RUNS:-3000}"

binary_of() {
  case "$1" in
    container) echo fuzz_container ;;
    stored-bytes) echo fuzz_stored_bytes ;;
    *) echo "unknown fuzz target '$1' (container or stored-bytes)" >&2; exit 2 ;;
  esac
}

build() {
  local dir="$1"
  if [ ! -f "$dir/build.ninja" ]; then
    CC=clang-14 CXX=clang++-14 cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DZEMBRIX_FUZZ=ON -DZEMBRIX_SANITIZE=OFF -DBUILD_TESTING=OFF >/dev/null
  fi
  cmake --build "$dir" --target fuzz_container fuzz_stored_bytes fuzz_make_seeds
}

run() { # target dir extra-args...
  local target="$1" dir="$2"; shift 2
  local bin="$dir/bin/$(binary_of "$target")"
  if [ ! -x "$bin" ]; then
    echo "$bin is not built; run scripts/fuzz.sh build $dir" >&2
    exit 77
  fi
  mkdir -p "$dir/artifacts"
  ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:allocator_may_return_null=0}" \
    "$bin" "${LIMITS[@]}" -artifact_prefix="$dir/artifacts/$target-" "$@"
}

cmd="${1:-}"
case "$cmd" in
  build) build "${2:-build-fuzz}" ;;
  check)
    target="$2"; dir="${3:-build-fuzz}"
    work="$(mktemp -d)"; trap 'rm -rf "$work"' EXIT
    run "$target" "$dir" -runs="$CHECK_RUNS" -seed=1 "$work" "fuzz/corpus/$target"
    ;;
  long)
    target="$2"; seconds="$3"; dir="${4:-build-fuzz}"
    mkdir -p "$dir/corpus-$target"
    run "$target" "$dir" -max_total_time="$seconds" -print_final_stats=1 "$dir/corpus-$target" "fuzz/corpus/$target"
    ;;
  seeds)
    dir="${2:-build-fuzz}"
    build "$dir" >/dev/null
    "$dir/bin/fuzz_make_seeds" fuzz/corpus/container fuzz/corpus/stored-bytes
    ;;
  *) sed -n '2,11p' "$0" | sed 's/^# \{0,1\}//'; exit 2 ;;
esac
