#!/usr/bin/env bash
# The tree `cmake --install` puts into a temporary DESTDIR, checked with the desktop's own
# validators; the installed window run by a user who may not write its folder (root writes
# anywhere: nobody), so that it logs in ~/.local/state; the .deb built and listed.
# Run under xvfb-run; $1 is the build folder, $2 the desktop id, $3 the version.
set -euo pipefail
build=${1:?} id=${2:?} version=${3:?} corpus=${SPARROWTRIM_CORPUS_DIR:?}
export LC_ALL=C MANWIDTH=80
work=$(mktemp -d) pid=
trap '[ -z "$pid" ] || kill "$pid" || true; chmod -R u+w "$work"; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

DESTDIR=$work/root cmake --install "$build" --prefix /usr >/dev/null
usr=$work/root/usr man1=$work/root/usr/share/man/man1
shipped="bin/sparrowtrim bin/sparrowtrim-cli share/applications/$id.desktop
  share/metainfo/$id.metainfo.xml share/man/man1/sparrowtrim.1.gz share/man/man1/sparrowtrim-cli.1.gz
  share/bash-completion/completions/sparrowtrim-cli share/doc/sparrowtrim/copyright
  share/doc/sparrowtrim/changelog.gz"
for size in 16 32 48 64 128 256; do
  icon=share/icons/hicolor/${size}x$size/apps/$id.png shipped+=" $icon"
  file -b "$usr/$icon" | grep -q "^PNG image data, $size x $size," || fail "$icon is not $size px"
done
expected=$(tr -s ' \n' '\n' <<<"$shipped" | grep . | sort)
[ "$(cd "$usr" && find . -type f -printf '%P\n' | sort)" = "$expected" ] || fail "installed files"

report=$(desktop-file-validate "$usr/share/applications/$id.desktop") || fail "$report"
[ -z "$report" ] || fail "desktop entry not clean, not even of hints: $report"
appstreamcli validate --no-net "$usr/share/metainfo/$id.metainfo.xml" >/dev/null || fail "metainfo"
for page in sparrowtrim sparrowtrim-cli; do
  warnings=$(man --warnings -l "$man1/$page.1.gz" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "$page(1): $warnings"
done
# Each option of the help has its entry in the manual; the completion offers exactly those.
cli=$usr/bin/sparrowtrim-cli
[ "$("$cli" --version)" = "sparrowtrim-cli (Sparrowtrim) $version" ] || fail "installed --version"
# The window program answers --help and --version as well, with no display to open a window on.
[ "$(env -u DISPLAY "$usr/bin/sparrowtrim" --version)" = "sparrowtrim (Sparrowtrim) $version" ] ||
  fail "sparrowtrim --version"
env -u DISPLAY "$usr/bin/sparrowtrim" --help | grep '^Usage: sparrowtrim ' >/dev/null ||
  fail "sparrowtrim --help"
options=$("$cli" --help | grep -oE -- '(^|[ ,])--?[a-z][a-z-]*' | tr -d ' ,' | sort -u)
entries=$(man -l "$man1/sparrowtrim-cli.1.gz" | awk '/^[A-Z]/ { on = /^OPTIONS/ } on')
for option in $options; do
  grep -qE -- "^ +([^ ]+, )?$option([ ,]|\$)" <<<"$entries" || fail "$option: no manual entry"
done
offered=$(bash -c 'source "$1"; COMP_WORDS=(sparrowtrim-cli -) COMP_CWORD=1; _sparrowtrim_cli
  printf "%s\n" "${COMPREPLY[@]}" | sort' _ "$usr/share/bash-completion/completions/sparrowtrim-cli")
[ "$offered" = "$(printf '%s\n' $options -- | sort)" ] || fail "completion offers" $offered

mkdir -p "$work/home"
photo=$work/home/photo.jpg log=$work/home/.local/state/sparrowtrim/Sparrowtrim.log
install -m 644 "$corpus/camera-olympus-c2040z-trailer.jpg" "$photo"
as_user=()
if [ "$(id -u)" -eq 0 ]; then
  chmod 755 "$work" && chown -R nobody:nogroup "$work/home"
  install -o nobody -m 600 "$XAUTHORITY" "$work/xauth" && export XAUTHORITY=$work/xauth
  as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
else
  chmod a-w "$usr/bin"
fi
if ! "${as_user[@]}" test -w "$work/home" 2>/dev/null; then
  echo "SKIP: the installed window: cannot run it as a user who may not write its folder"
else
  # The default place of the log: no XDG_STATE_HOME.
  "${as_user[@]}" env -u XDG_STATE_HOME HOME="$work/home" "$usr/bin/sparrowtrim" "$photo" &
  pid=$!
  window=$(timeout 20 xdotool search --sync --onlyvisible --name '^Sparrowtrim$' | head -n 1)
  eval "$(xdotool getwindowgeometry --shell "$window")"
  xdotool mousemove --sync $((X + 100)) $((Y + 363)) click 1 # Start, the photo selected
  for _ in $(seq 40); do grep -q "Files optimized" "$log" 2>/dev/null && break || sleep 0.25; done
  grep -qF "$(printf 'File: \t%s\r' "$photo")" "$log" || fail "no log of the photo in ~/.local/state"
  # The log names the user's photos: every folder made for it is the user's alone.
  for folder in .local .local/state .local/state/sparrowtrim; do
    [ "$(stat -c %a "$work/home/$folder")" = 700 ] || fail "~/$folder is not private"
  done
fi

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/deb" >/dev/null
deb=$work/deb/sparrowtrim_${version}_$(dpkg --print-architecture).deb
[ "$(dpkg-deb -c "$deb" | awk '!/\/$/ { sub("^\\./usr/", "", $6); print $6 }' | sort)" = \
  "$expected" ] || fail "the package's files"
depends=$(dpkg-deb -f "$deb" Depends)
for package in fonts-liberation libqt6widgets6 libc6; do
  grep -qE "(^|, )$package( |,|\$)" <<<"$depends" || fail "$package is not in Depends: $depends"
done
dpkg-deb -f "$deb" Maintainer | grep -q '@quillmoor\.example>$' || fail "maintainer"
# Debian's own checks: hardened, cleanly stripped binaries among them. No tag of any kind. A
# debug or sanitizer build is not hardened and is never packaged for users.
if [ "${SPARROWTRIM_BUILD_TYPE:-}" = Debug ]; then
  echo "SKIP: lintian: a Debug build is not a package build"
else
  tags=$(lintian --display-info "$deb" 2>&1 | grep -E '^[EWI]: ' || true)
  [ -z "$tags" ] || fail "lintian: $tags"
fi
echo "installed_tree: all checks passed"
