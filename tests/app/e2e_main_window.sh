#!/usr/bin/env bash
# The real program in a real X server: copied with a few JPEG files into a fresh folder,
# dragged, driven with mouse clicks (Select All, Start), checked on disk and ended with its
# cross button. It runs under a file-size limit that one optimized photo exceeds: that photo
# fails alone. Run under xvfb-run; $1 is the built program.
set -euo pipefail

program=${1:?usage: e2e_main_window.sh PROGRAM}
corpus=${SPARROWTRIM_CORPUS_DIR:?SPARROWTRIM_CORPUS_DIR is not set}
files=(camera-olympus-c2040z-trailer.jpg camera-pentax-optio-s4-trailer.jpg mozilla-baseline-1x1.jpg)

work=$(mktemp -d)
pid=
cleanup() {
  if [ -n "$pid" ]; then kill "$pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cp "$program" "$work/sparrowtrim"
for name in "${files[@]}"; do install -m 644 "$corpus/$name" "$work/$name"; done

(ulimit -f 4 && exec "$work/sparrowtrim") &
pid=$!
window=$(timeout 20 xdotool search --sync --onlyvisible --name '^Sparrowtrim$' | head -n 1) ||
  fail "the main window did not appear"
eval "$(xdotool getwindowgeometry --shell "$window")"
read -r screen_width screen_height < <(xdotool getdisplaygeometry)
[ "$X,$Y,$WIDTH,$HEIGHT" = "$(((screen_width - 337) / 2)),$(((screen_height - 439) / 2)),337,439" ] ||
  fail "window is ${WIDTH}x${HEIGHT} at $X,$Y, not 337x439 centred"

click() { xdotool mousemove --sync $((X + $1)) $((Y + $2)) click 1; }
# Drags from a point of the window by (dx, dy) with the left button, then reads the position.
drag() {
  xdotool mousemove --sync $((X + $1)) $((Y + $2)) mousedown 1 sleep 0.2 \
    mousemove --sync $((X + $1 + $3 / 2)) $((Y + $2 + $4 / 2)) \
    mousemove --sync $((X + $1 + $3)) $((Y + $2 + $4)) sleep 0.2 mouseup 1 sleep 0.3
  eval "$(xdotool getwindowgeometry --shell "$window")"
}

# The blue border drags the window; a frame does not.
moved_to="$((X - 40)),$((Y - 30))"
drag 5 200 -40 -30
[ "$X,$Y" = "$moved_to" ] || fail "dragging the border moved the window to $X,$Y, not $moved_to"
drag 175 92 30 30
[ "$X,$Y" = "$moved_to" ] || fail "dragging a frame moved the window"

click 69 149   # Select All
sleep 0.5
click 100 363  # Start

log="$work/Sparrowtrim.log"
for _ in $(seq 1 60); do
  grep -q "Files optimized" "$log" 2>/dev/null && break
  sleep 0.5
done
grep -q "Files optimized" "$log" 2>/dev/null || fail "no finished log beside the program"
kill -0 "$pid" 2>/dev/null || fail "the program ended during the run"
[ "$(grep -c $'\r$' "$log")" -eq "$(wc -l <"$log")" ] || fail "log lines do not all end in CR LF"
grep -qx $'Files processed: 3\r' "$log" || fail "log does not report three files"
grep -qx $'File successfully optimized.\r' "$log" || fail "no file was optimized"
grep -qx $'ERROR:  Could not write output file.\r' "$log" || fail "the size limit did not fail a file"
cmp -s "$corpus/${files[0]}" "$work/${files[0]}" || fail "the photo beyond the size limit changed"
[ -z "$(find "$work" -name '*.sparrowtrim-tmp')" ] || fail "a temporary file was left"

# Every file is logged; an optimized one has the size logged and still decodes.
for name in "${files[@]}"; do
  block=$(tr -d '\r' <"$log" | awk -v file="$(printf 'File: \t%s/%s' "$work" "$name")" \
    '/^\*+$/ { in_block = 0 } $0 == file { in_block = 1 } in_block')
  [ -n "$block" ] || fail "$name is not in the log"
  grep -qx "File successfully optimized." <<<"$block" || continue
  after=$(sed -n 's/^Size After Optimizing: \t//p' <<<"$block" | head -n 1)
  [ "$(stat -c %s "$work/$name")" -eq "$after" ] || fail "$name is not the $after bytes logged"
  jpegtran -copy none "$work/$name" >/dev/null 2>&1 || fail "$name no longer decodes"
done

click 308 18   # the cross ends the program at once
for _ in $(seq 1 20); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.25
done
if kill -0 "$pid" 2>/dev/null; then fail "the cross button did not end the program"; fi
wait "$pid" 2>/dev/null || true
pid=
echo "e2e_main_window: all checks passed"
