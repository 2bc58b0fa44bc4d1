#!/usr/bin/env bash
# The installed tree and the Debian package. `cmake --install` into a temporary DESTDIR; the
# files shipped are checked with the desktop's own validators, the manual page and the
# completion against the options the command line knows, and the installed programs run from
# there: the window by a user who may not write its folder, so that its log goes under
# $XDG_STATE_HOME. Then the .deb is built with CPack and listed.
# Run under xvfb-run; $1 is the build folder, $2 the desktop id, $3 the version.
set -euo pipefail

build=${1:?usage: installed_tree.sh BUILD_DIR DESKTOP_ID VERSION}
id=${2:?} version=${3:?}
corpus=${SPARROWTRIM_CORPUS_DIR:?SPARROWTRIM_CORPUS_DIR is not set}
export LC_ALL=C MANWIDTH=80

work=$(mktemp -d)
pid=
cleanup() {
  if [ -n "$pid" ]; then kill "$pid" 2>/dev/null || true; fi
  chmod -R u+w "$work"
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

DESTDIR=$work/root cmake --install "$build" --prefix /usr >/dev/null
usr=$work/root/usr
shipped=(bin/sparrowtrim bin/sparrowtrim-cli share/applications/$id.desktop
  share/metainfo/$id.metainfo.xml share/man/man1/sparrowtrim.1.gz
  share/man/man1/sparrowtrim-cli.1.gz share/bash-completion/completions/sparrowtrim-cli
  share/doc/sparrowtrim/copyright share/doc/sparrowtrim/changelog.gz)
for size in 16 32 48 64 128 256; do
  icon=share/icons/hicolor/${size}x$size/apps/$id.png
  shipped+=("$icon")
  file -b "$usr/$icon" | grep -q "^PNG image data, $size x $size," || fail "$icon is not $size px"
done
expected=$(printf '%s\n' "${shipped[@]}" | sort)
[ "$(cd "$usr" && find . -type f -printf '%P\n' | sort)" = "$expected" ] ||
  fail "installed files differ from those shipped"

report=$(desktop-file-validate "$usr/share/applications/$id.desktop") ||
  fail "desktop entry: $report"
grep -v ': hint: ' <<<"$report" && fail "desktop entry not clean"
appstreamcli validate --no-net "$usr/share/metainfo/$id.metainfo.xml" >/dev/null ||
  fail "metadata does not validate"
for page in sparrowtrim sparrowtrim-cli; do
  warnings=$(man --warnings -l "$usr/share/man/man1/$page.1.gz" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "$page(1): $warnings"
done

# Every option of the help has its entry among the manual's options, and the completion
# offers exactly those.
cli=$usr/bin/sparrowtrim-cli
[ "$("$cli" --version)" = "sparrowtrim-cli (Sparrowtrim) $version" ] || fail "installed --version"
options=$("$cli" --help | grep -oE -- '(^|[ ,])--?[a-z][a-z-]*' | tr -d ' ,' | sort -u)
entries=$(man -l "$usr/share/man/man1/sparrowtrim-cli.1.gz" | awk '/^[A-Z]/ { on = /^OPTIONS/ } on')
for option in $options; do
  grep -qE -- "^ +([^ ]+, )?$option([ ,]|\$)" <<<"$entries" || fail "$option: no manual entry"
done
offered=$(bash -c 'source "$1"; COMP_WORDS=(sparrowtrim-cli -); COMP_CWORD=1; _sparrowtrim_cli
  printf "%s\n" "${COMPREPLY[@]}"' _ "$usr/share/bash-completion/completions/sparrowtrim-cli")
[ "$(sort <<<"$offered")" = "$(printf '%s\n' $options -- | sort)" ] ||
  fail "completion offers $(echo $offered), the help names $(echo $options)"

# The window, given a photo, by a user who may not write the program's folder: root writes
# anywhere, so it runs as nobody; anyone else loses the write bit.
mkdir -p "$work/home/photos"
photo=$work/home/photos/photo.jpg
install -m 644 "$corpus/camera-olympus-c2040z-trailer.jpg" "$photo"
as_user=()
if [ "$(id -u)" -eq 0 ]; then
  chmod 755 "$work"
  chown -R nobody:nogroup "$work/home"
  install -o nobody -m 600 "$XAUTHORITY" "$work/xauth"
  export XAUTHORITY=$work/xauth
  as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
  "${as_user[@]}" test -x "$usr/bin/sparrowtrim" 2>/dev/null || as_user=(runuser -u nobody --)
else
  chmod a-w "$usr/bin"
fi
if ! "${as_user[@]}" test -w "$work/home"; then
  echo "SKIP: the installed window: cannot run it as a user who may not write its folder"
else
  "${as_user[@]}" env HOME="$work/home" XDG_STATE_HOME="$work/home/state" \
    "$usr/bin/sparrowtrim" "$photo" &
  pid=$!
  window=$(timeout 20 xdotool search --sync --onlyvisible --name '^Sparrowtrim$' | head -n 1) ||
    fail "the installed window did not appear"
  eval "$(xdotool getwindowgeometry --shell "$window")"
  xdotool mousemove --sync $((X + 100)) $((Y + 363)) click 1 # Start
  log=$work/home/state/sparrowtrim/Sparrowtrim.log
  for _ in $(seq 1 40); do
    grep -q "Files optimized" "$log" 2>/dev/null && break
    sleep 0.25
  done
  grep -qF "$(printf 'File: \t%s\r' "$photo")" "$log" 2>/dev/null ||
    fail "the installed window did not log the photo given to it under \$XDG_STATE_HOME"
  [ ! -e "$usr/bin/Sparrowtrim.log" ] || fail "a log beside the installed program"
fi

# The package holds the same files, for this machine, with the libraries and fonts it needs.
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/deb" >/dev/null
deb=$work/deb/sparrowtrim_${version}_$(dpkg --print-architecture).deb
[ "$(dpkg-deb -f "$deb" Architecture)" = "$(dpkg --print-architecture)" ] || fail "architecture"
[ "$(dpkg-deb -c "$deb" | awk '!/\/$/ { sub("^\\./usr/", "", $6); print $6 }' | sort)" = \
  "$expected" ] || fail "the package's files differ from those shipped"
depends=$(dpkg-deb -f "$deb" Depends)
for package in fonts-liberation libqt6widgets6 libc6; do
  grep -qE "(^|, )$package( |,|\$)" <<<"$depends" || fail "$package is not in Depends: $depends"
done
dpkg-deb -f "$deb" Maintainer | grep -q '@quillmoor\.example>$' || fail "maintainer"
echo "installed_tree: all checks passed"
