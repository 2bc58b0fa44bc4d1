#!/usr/bin/env bash
# Usage: stress.sh CLI [FILES] [KILLS] [WINDOW]
# Kills the command line with SIGKILL at random moments of runs over FILES photos (corpus
# copies, some read-only and processed as such, some with extended attributes, all dated to
# the nanosecond and their dates kept) and checks after every kill that each photo holds
# exactly its original or exactly its optimized bytes, the latter with its attributes and its
# date, and the optimized bytes where the log reported it optimized; then that a full run in
# the same folder finishes the work and removes the temporary files the killed one left. With
# WINDOW (the window program, on the display $DISPLAY), every other kill ends the window's run
# instead, started with the photos selected and the date and read-only options ticked.
set -uo pipefail

cli=$1
files=${2:-300}
kills=${3:-100}
window=${4:-}
corpus=${SPARROWTRIM_CORPUS_DIR:?}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/original"

names=("$corpus"/*.jpg)
for ((i = 0; i < files; i++)); do
  photo=$work/original/$i.jpg
  cp "${names[i % ${#names[@]}]}" "$photo"
  chmod u+w "$photo"
  ((i % 5 == 1)) && chmod a-w "$photo"
  ((i % 3 == 2)) && setfattr -n user.stress -v "$i" "$photo" 2>/dev/null
  touch -d @981173106.123456789 "$photo"
done
getfattr -n user.stress "$work/original/2.jpg" >/dev/null 2>&1 ||
  echo "stress: no extended attributes on this file system; they are not checked"

# The optimized bytes, from a run on a separate copy; and how long a run takes.
cp -a "$work/original" "$work/expected"
start=$(date +%s%N)
"$cli" --quiet --process-read-only --keep-date "$work/expected" >/dev/null
duration_us=$((($(date +%s%N) - start) / 1000 + 1))

# Content digests and the attributes of a folder's photos, each in one pass.
digests() { (cd "$1" && sha1sum -- *.jpg); }
attributes() { (cd "$1" && getfattr -n user.stress -- *.jpg 2>/dev/null); }
dates() { (cd "$1" && stat -c '%n %.9Y' -- *.jpg); }
declare -A original expected
while read -r sum name; do original[$name]=$sum; done < <(digests "$work/original")
while read -r sum name; do expected[$name]=$sum; done < <(digests "$work/expected")
original_attributes=$(attributes "$work/original")
original_dates=$(dates "$work/original")

failures=0
fail() { echo "FAIL $*"; failures=$((failures + 1)); }
check() { # after what; 1: every photo must be optimized by now
  local sum name
  declare -A reported=()
  while read -r name; do reported[$name]=1; done < <({ tr -d '\r' <"$work/run.log"; } 2>/dev/null |
    awk -F'\t' '$1 == "File: " { file = $2 } $0 == "File successfully optimized." { print file }' |
    xargs -rn1 basename)
  while read -r sum name; do
    [ "$sum" = "${expected[$name]}" ] ||
      { [ "$2" = 0 ] && [ -z "${reported[$name]:-}" ] && [ "$sum" = "${original[$name]}" ]; } ||
      fail "$1: $name holds neither its original nor its optimized bytes, or was reported too early"
  done < <(digests "$work/photos")
  [ "$(attributes "$work/photos")" = "$original_attributes" ] || fail "$1: attributes lost"
  [ "$(dates "$work/photos")" = "$original_dates" ] || fail "$1: dates lost"
}

# The window, its photos selected; "Keep Original File Date" and "Process Read Only Files"
# ticked, then Start. Returns once the run has started.
start_window() {
  "$window" "$work/photos"/*.jpg >/dev/null 2>&1 &
  pid=$!
  local id
  id=$(timeout 20 xdotool search --sync --onlyvisible --pid $pid --name '^Sparrowtrim$' | head -n 1)
  eval "$(xdotool getwindowgeometry --shell "$id")"
  xdotool mousemove --sync $((X + 226)) $((Y + 165)) click 1 \
    mousemove --sync $((X + 226)) $((Y + 194)) click 1 mousemove --sync $((X + 100)) $((Y + 363)) click 1
}

for ((k = 1; k <= kills; k++)); do
  # A run killed before it opens its log must not be judged by the log of the run before.
  rm -rf "$work/photos" "$work/run.log" && cp -a "$work/original" "$work/photos"
  if [ -n "$window" ] && ((k % 2 == 0)); then
    start_window
  else
    "$cli" --quiet --process-read-only --keep-date --jobs $((RANDOM % 3 + 1)) \
      --log "$work/run.log" "$work/photos" >/dev/null 2>&1 &
    pid=$!
  fi
  delay=$(((RANDOM * 32768 + RANDOM) % duration_us))
  sleep "$(printf '%d.%06d' $((delay / 1000000)) $((delay % 1000000)))"
  kill -KILL $pid 2>/dev/null
  wait $pid 2>/dev/null
  check "kill $k" 0
  "$cli" --quiet --process-read-only --keep-date --log "$work/run.log" "$work/photos" \
    >/dev/null 2>&1
  check "run after kill $k" 1
  [ -z "$(find "$work/photos" -name '*.sparrowtrim-tmp')" ] ||
    fail "run after kill $k: temporary files left"
done
echo "stress: $kills kills over $files photos, $((duration_us / 1000)) ms a run: $failures failures"
echo "$((kills - failures > 0 ? kills - failures : 0)) passed, $failures failed"
[ $failures -eq 0 ]
