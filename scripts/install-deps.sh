#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the benchmarks need.
# apt-get runs only when something on the list is missing, so repeated runs cost nothing.
set -euo pipefail

PACKAGES=(
  # build
  build-essential cmake ninja-build pkg-config
  # core libraries
  zlib1g-dev libdeflate-dev libicu-dev
  # desktop program
  qt6-base-dev qt6-svg-dev libgl-dev fonts-noto-cjk shared-mime-info xdg-utils
  # command-line tool
  libcli11-dev nlohmann-json3-dev libpugixml-dev libexpat1-dev libcsv-dev libedit-dev
  # tests, sanitizers, fuzzing
  libgtest-dev libgmock-dev clang libclang-rt-14-dev
  # benchmarks and interop peers
  libbenchmark-dev hyperfine openssl keepassxc
  # password strength
  libzxcvbn-dev
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q '^install ok installed$'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
