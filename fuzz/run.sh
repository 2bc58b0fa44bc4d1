#!/usr/bin/env bash
# Usage: fuzz/run.sh BUILD_DIR SECONDS
# Fuzzes the engine for SECONDS, seeded from the JPEG corpus. New inputs go to
# BUILD_DIR/fuzz-corpus (kept between runs), failing inputs to BUILD_DIR/fuzz-artifacts.
set -euo pipefail

build=${1:?usage: fuzz/run.sh BUILD_DIR SECONDS}
seconds=${2:-60}
here=$(cd "$(dirname "$0")" && pwd)
seeds=${SPARROWTRIM_CORPUS_DIR:-$here/../tests/data/photos}

mkdir -p "$build/fuzz-corpus" "$build/fuzz-artifacts"
# The seed folder is only read: libFuzzer writes new inputs to the first folder alone.
"$build/bin/fuzz_engine" \
  -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=131072 \
  -dict="$here/jpeg.dict" -artifact_prefix="$build/fuzz-artifacts/" -print_final_stats=1 \
  "$build/fuzz-corpus" "$seeds"
