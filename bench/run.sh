#!/usr/bin/env bash
# Usage: bench/run.sh BUILD_DIR
# 1. Engine throughput in memory (bench_engine).
# 2. sparrowtrim-cli against the tools a user would otherwise run over a folder, one process
#    per tool, on the same set: five copies of every corpus file that both jhead and exiftool
#    accept, every timed run starting from a fresh, synced copy; cp -r of the folder is the
#    floor.
# 3. Clean copies (--output) and pipelines (-): bench/copies.sh.
# BENCH_RUNS sets the number of timed runs per tool (default 10); BENCH_TMPDIR the file system
# the copies live on (default: the system's temporary folder), e.g. /dev/shm to leave the
# disk's flush time out.
set -euo pipefail

build=$(cd "${1:?usage: bench/run.sh BUILD_DIR}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
corpus=${SPARROWTRIM_CORPUS_DIR:-$here/../tests/data/photos}
runs=${BENCH_RUNS:-10}
cli=$build/bin/sparrowtrim-cli

echo "== Engine throughput in memory"
"$build/bin/bench_engine" --benchmark_min_time=0.5

work=$(mktemp -d -p "${BENCH_TMPDIR:-${TMPDIR:-/tmp}}")
trap 'rm -rf "$work"' EXIT
fresh=$work/fresh
photos=$work/photos
copy=$work/copy
mkdir "$fresh" "$work/probe"

# The files both peers accept, each tried alone on a copy.
for file in "$corpus"/*.jpg; do
  probe=$work/probe/photo.jpg
  cp "$file" "$probe" && chmod u+w "$probe"
  jhead -q -purejpg "$probe" >/dev/null 2>&1 || continue
  cp "$file" "$probe" && chmod u+w "$probe"
  exiftool -q -q -all= -overwrite_original "$probe" >/dev/null 2>&1 || continue
  for n in 1 2 3 4 5; do cp "$file" "$fresh/$n-$(basename "$file")"; done
done
chmod u+w "$fresh"/*.jpg
count=$(ls "$fresh" | wc -l)
bytes=$(cat "$fresh"/*.jpg | wc -c)
prepare="rm -rf $photos $copy && cp -r $fresh $photos && sync"

names=(
  "sparrowtrim-cli"
  "sparrowtrim-cli --jobs 1"
  "sparrowtrim-cli --keep-icc"
  "sparrowtrim-cli --keep-orientation"
  "sparrowtrim-cli --keep-icc --keep-orientation"
  "jhead -purejpg"
  "exiftool -all="
  "cp -r"
  "cp -r then rm -r then sync (the floor)"
)
commands=(
  "$cli --quiet $photos"
  "$cli --quiet --jobs 1 $photos"
  "$cli --quiet --keep-icc $photos"
  "$cli --quiet --keep-orientation $photos"
  "$cli --quiet --keep-icc --keep-orientation $photos"
  "jhead -q -purejpg $photos/*.jpg"
  "exiftool -q -q -all= -overwrite_original $photos"
  "cp -r $photos $copy"
  # What replacing every file durably costs at least: its bytes written and flushed, its old
  # blocks freed.
  "cp -r $photos $copy && rm -rf $photos && sync"
)

echo
echo "== $count files ($bytes bytes), five copies of each corpus file jhead and exiftool both"
echo "   accept; one process per tool; $runs runs each from a fresh copy"
echo "   on $(df --output=fstype "$work" | tail -1) ($work), $(nproc) processors," \
  "load average $(cut -d' ' -f1-3 /proc/loadavg)"
hyperfine_args=(--warmup 1 --runs "$runs" --ignore-failure --prepare "$prepare"
                --export-csv "$work/times.csv")
for i in "${!names[@]}"; do
  hyperfine_args+=(--command-name "${names[$i]}" "${commands[$i]}")
done
hyperfine "${hyperfine_args[@]}"

# Size of the folder after one run of each tool (cp leaves the photos as they were).
sizes=$work/sizes
: >"$sizes"
for i in "${!names[@]}"; do
  sh -c "$prepare"
  sh -c "${commands[$i]}" >/dev/null 2>&1 || true
  printf '%s\t%s\n' "${names[$i]}" "$(cat "$photos"/*.jpg 2>/dev/null | wc -c)" >>"$sizes"
done

echo
# Ratios use the median, which a single slow flush of the disk does not move; the range shows
# the spread. CPU is user and system time (mean), the work done apart from waiting.
echo "| Tool | Median (s) | Range (s) | CPU (s) | vs fastest peer | vs cp | vs floor | Bytes after |"
echo "|---|---:|---:|---:|---:|---:|---:|---:|"
awk -F, -v sizes="$sizes" '
  BEGIN { while ((getline line < sizes) > 0) { split(line, f, "\t"); after[f[1]] = f[2] } }
  NR == 1 { next }
  { name[NR] = $1; median[NR] = $4; cpu[NR] = $5 + $6; low[NR] = $7; high[NR] = $8; n = NR }
  $1 == "cp -r" { cp = $4 }
  $1 ~ /the floor/ { floor = $4 }
  $1 ~ /^(exiftool|jhead)/ && (peer == "" || $4 < peer) { peer = $4 }
  END {
    for (i = 2; i <= n; i++)
      printf "| `%s` | %.3f | %.3f – %.3f | %.3f | %.2f | %.2f | %.2f | %s |\n", name[i],
             median[i], low[i], high[i], cpu[i], median[i] / peer, median[i] / cp,
             median[i] / floor, after[name[i]] ? after[name[i]] : "–"
  }' "$work/times.csv"
bench/copies.sh "$build"
