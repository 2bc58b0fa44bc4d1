#!/usr/bin/env bash
# Installs the Debian packages the project needs, only those that are missing.
# Usage: scripts/install-deps.sh [base] [bench] [fuzz] [windows]
set -euo pipefail

base=(
  build-essential cmake ninja-build pkg-config clang-format
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libgl-dev
  libgtest-dev googletest
  xvfb xauth xdotool x11-utils
  libjpeg-turbo-progs libimage-exiftool-perl
  desktop-file-utils appstream man-db dpkg-dev file lintian
  strace acl attr procps bindfs ntfs-3g parallel
  fonts-liberation fonts-dejavu-core
)
bench=(libbenchmark-dev jhead hyperfine)
fuzz=(clang libclang-rt-14-dev)
windows=(g++-mingw-w64-x86-64-posix wine64 googletest)

groups=("$@")
[ ${#groups[@]} -eq 0 ] && groups=(base)

wanted=()
for group in "${groups[@]}"; do
  case "$group" in
    base) wanted+=("${base[@]}") ;;
    bench) wanted+=("${bench[@]}") ;;
    fuzz) wanted+=("${fuzz[@]}") ;;
    windows) wanted+=("${windows[@]}") ;;
    *) echo "install-deps: unknown group '$group'" >&2; exit 2 ;;
  esac
done

missing=()
for pkg in "${wanted[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)
  [ "$status" = "install ok installed" ] || missing+=("$pkg")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "install-deps: installing ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq "${missing[@]}"
