#!/usr/bin/env bash
# Usage: bench/run.sh BUILD_DIR
# 1. Engine throughput in memory (bench_engine).
# 2. sparrowtrim-cli against the tools a user would otherwise pick, and a plain cp as the
#    floor: every timing run starts from the same fresh, synced copy of the corpus.
# jhead stops at the first file it cannot read, so it runs once per file, as jpegtran does.
# BENCH_RUNS sets the number of timed runs per tool (default 5); BENCH_TMPDIR the file system
# the copies live on (default: the system's temporary folder), e.g. /dev/shm to leave the
# disk's flush time out.
set -euo pipefail

build=$(cd "${1:?usage: bench/run.sh BUILD_DIR}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
corpus=${SPARROWTRIM_CORPUS_DIR:-$here/../../shared/corpus}
runs=${BENCH_RUNS:-5}
cli=$build/bin/sparrowtrim-cli

echo "== Engine throughput in memory"
"$build/bin/bench_engine" --benchmark_min_time=0.5

work=$(mktemp -d -p "${BENCH_TMPDIR:-${TMPDIR:-/tmp}}")
trap 'rm -rf "$work"' EXIT
fresh=$work/fresh
photos=$work/photos
copies=$work/copies
mkdir "$fresh"
cp "$corpus"/*.jpg "$fresh"/
chmod u+w "$fresh"/*.jpg
count=$(ls "$fresh" | wc -l)
bytes=$(cat "$fresh"/*.jpg | wc -c)
prepare="rm -rf $photos $copies && cp -r $fresh $photos && mkdir $copies && sync"

names=(
  "sparrowtrim-cli"
  "sparrowtrim-cli --jobs 1"
  "sparrowtrim-cli --jobs 8"
  "sparrowtrim-cli --keep-icc"
  "sparrowtrim-cli --keep-orientation"
  "sparrowtrim-cli --keep-icc --keep-orientation"
  "exiftool -all="
  "jhead -purejpg"
  "jpegtran -copy none"
  "cp"
)
commands=(
  "$cli --quiet $photos"
  "$cli --quiet --jobs 1 $photos"
  "$cli --quiet --jobs 8 $photos"
  "$cli --quiet --keep-icc $photos"
  "$cli --quiet --keep-orientation $photos"
  "$cli --quiet --keep-icc --keep-orientation $photos"
  "exiftool -q -q -overwrite_original -all= $photos"
  "for f in $photos/*.jpg; do jhead -q -se -purejpg \"\$f\"; done"
  "for f in $photos/*.jpg; do jpegtran -copy none -outfile \"\$f\" \"\$f\"; done"
  "cp $photos/*.jpg $copies/"
)

echo
echo "== $count corpus files, $bytes bytes; $runs runs per tool, each from a fresh copy"
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
  printf '%s\t%s\n' "${names[$i]}" "$(cat "$photos"/*.jpg | wc -c)" >>"$sizes"
done

echo
# Ratios use the median, which a single slow flush of the disk does not move. The processor
# time (user and system, mean) shows the work done apart from waiting for the disk or for
# other programs.
echo "| Tool | Median (s) | Mean ± σ (s) | CPU (s) | vs fastest peer | vs cp | Bytes after |"
echo "|---|---:|---:|---:|---:|---:|---:|"
awk -F, -v sizes="$sizes" '
  BEGIN { while ((getline line < sizes) > 0) { split(line, f, "\t"); after[f[1]] = f[2] } }
  NR == 1 { next }
  { name[NR] = $1; mean[NR] = $2; sd[NR] = $3; median[NR] = $4; cpu[NR] = $5 + $6; n = NR }
  $1 == "cp" { cp = $4 }
  $1 ~ /^(exiftool|jhead|jpegtran)/ && (peer == "" || $4 < peer) { peer = $4 }
  END {
    for (i = 2; i <= n; i++)
      printf "| `%s` | %.3f | %.3f ± %.3f | %.3f | %.2f | %.2f | %s |\n", name[i], median[i],
             mean[i], sd[i], cpu[i], median[i] / peer, median[i] / cp, after[name[i]]
  }' "$work/times.csv"
