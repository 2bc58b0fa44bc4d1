#!/usr/bin/env bash
# Usage: bench/copies.sh BUILD_DIR
# Clean copies and pipelines against the plain copy they cost at least:
# 1. sparrowtrim-cli --output over the benchmark set (five copies of every corpus JPEG file)
#    against cp -r of it and against the run in place, every timed run from a fresh, synced
#    copy, the output folder gone;
# 2. sparrowtrim-cli - over the largest corpus photo against cat.
# BENCH_RUNS sets the number of timed runs (default 10), BENCH_TMPDIR the file system used.
set -euo pipefail

build=$(cd "${1:?usage: bench/copies.sh BUILD_DIR}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
corpus=${SPARROWTRIM_CORPUS_DIR:-$here/../tests/data/photos}
runs=${BENCH_RUNS:-10}
cli=$build/bin/sparrowtrim-cli

work=$(mktemp -d -p "${BENCH_TMPDIR:-${TMPDIR:-/tmp}}")
trap 'rm -rf "$work"' EXIT
mkdir "$work/fresh"
for file in "$corpus"/*.jpg; do
  for n in 1 2 3 4 5; do cp "$file" "$work/fresh/$n-$(basename "$file")"; done
done
chmod u+w "$work/fresh"/*.jpg
photos=$work/photos
out=$work/out
prepare="rm -rf $photos $out && cp -r $work/fresh $photos && sync"

echo "== --output: $(ls "$work/fresh" | wc -l) files ($(cat "$work/fresh"/*.jpg | wc -c) bytes)" \
  "on $(df --output=fstype "$work" | tail -1), $(nproc) processors," \
  "load average $(cut -d' ' -f1-3 /proc/loadavg)"
hyperfine --warmup 1 --runs "$runs" --ignore-failure --prepare "$prepare" \
  --command-name "sparrowtrim-cli --output" "$cli --quiet --output $out $photos" \
  --command-name "cp -r" "cp -r $photos $out" \
  --command-name "sparrowtrim-cli in place" "$cli --quiet $photos"

large=$(ls -S "$corpus"/*.jpg | sed -n 1p)
echo
echo "== -: $(basename "$large") ($(wc -c <"$large") bytes) through standard input and output"
hyperfine --warmup 3 --runs "$((runs * 5))" --ignore-failure \
  --command-name "sparrowtrim-cli -" "$cli --quiet - <$large >$work/piped.jpg" \
  --command-name "cat" "cat <$large >$work/catted.jpg"
