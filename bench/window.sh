#!/usr/bin/env bash
# Usage: bench/window.sh BUILD_DIR
# The main window over big batches of small photos (bench_window: Select All, Start, two runs
# in one window), next to sparrowtrim-cli --jobs 1 on the same fresh files. Every photo is a
# copy of one small camera file whose EXIF block is dropped, so every file is rewritten.
# BENCH_WINDOW_FILES lists the batch sizes (default "1000 10000"), BENCH_RUNS the repetitions
# of each (default 3), BENCH_TMPDIR the file system the photos live on (default: the system's
# temporary folder), e.g. /dev/shm to leave the disk's flush time out.
set -euo pipefail

build=$(cd "${1:?usage: bench/window.sh BUILD_DIR}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
corpus=${SPARROWTRIM_CORPUS_DIR:-$here/../tests/data/photos}
photo=$corpus/exif-fujifilm-e500-no-thumb.jpg
[ -f "$photo" ] || { echo "bench/window.sh: $photo not found" >&2; exit 1; }
runs=${BENCH_RUNS:-3}
cli=$build/bin/sparrowtrim-cli

work=$(mktemp -d -p "${BENCH_TMPDIR:-${TMPDIR:-/tmp}}")
trap 'rm -rf "$work"' EXIT
results=$work/results
: >"$results"

echo "== The main window over big batches: copies of $(basename "$photo")" \
  "($(stat -c %s "$photo") bytes)"
echo "   on $(df --output=fstype "$work" | tail -1) ($work), $(nproc) processors," \
  "load average $(cut -d' ' -f1-3 /proc/loadavg)"
for files in ${BENCH_WINDOW_FILES:-1000 10000}; do
  source=$work/source-$files
  mkdir "$source"
  # One tee writes hundreds of copies: much faster than a cp per file.
  seq -f "$source/photo-%05g.jpg" 1 "$files" |
    xargs -n 500 sh -c 'exec tee "$@" <"$0" >/dev/null' "$photo"
  for repetition in $(seq "$runs"); do
    rm -rf "$work/photos" && cp -r "$source" "$work/photos" && sync
    TIMEFORMAT='%R %U %S'
    { time "$cli" --quiet --jobs 1 "$work/photos" >/dev/null 2>&1; } 2>"$work/cli" || true
    read -r wall user system <"$work/cli"
    echo "run=cli files=$files seconds=$wall" \
      "cpu_us_per_file=$(awk -v u="$user" -v s="$system" -v n="$files" \
        'BEGIN { printf "%.0f", (u + s) * 1e6 / n }')" | tee -a "$results"
    "$build/bin/bench_window" "$source" "$work/photos" 2 2>/dev/null | tee -a "$results"
  done
  rm -rf "$source"
done

# Median and range over the repetitions.
echo
echo "| Files | Run | Seconds | First 1000 (files/s) | Last 1000 (files/s) |" \
  "Processor µs per file (all, first 1000, last 1000) |"
echo "|---:|---|---:|---:|---:|---:|"
awk '
  function median(list,   n, values, i, j, v) {
    n = split(list, values, " ")
    for (i = 2; i <= n; i++)
      for (j = i; j > 1 && values[j - 1] + 0 > values[j] + 0; j--) {
        v = values[j]; values[j] = values[j - 1]; values[j - 1] = v
      }
    return n == 1 ? values[1] : sprintf("%s (%s to %s)", values[int((n + 1) / 2)], values[1],
                                        values[n])
  }
  {
    delete field
    for (i = 1; i <= NF; i++) { split($i, pair, "="); field[pair[1]] = pair[2] }
    key = field["files"] " " field["run"]
    if (!(key in seen)) { seen[key] = 1; order[++keys] = key }
    for (name in field) values[key, name] = values[key, name] " " field[name]
  }
  END {
    for (k = 1; k <= keys; k++) {
      key = order[k]; split(key, part, " ")
      if (part[2] == "cli")
        printf "| %s | `sparrowtrim-cli --jobs 1` | %s | | | %s |\n", part[1],
               median(values[key, "seconds"]), median(values[key, "cpu_us_per_file"])
      else
        printf "| %s | window, run %s | %s | %s | %s | %s, %s, %s |\n", part[1], part[2],
               median(values[key, "seconds"]), median(values[key, "first_rate"]),
               median(values[key, "last_rate"]), median(values[key, "cpu_us_per_file"]),
               median(values[key, "first_cpu_us"]), median(values[key, "last_cpu_us"])
    }
  }' "$results"
