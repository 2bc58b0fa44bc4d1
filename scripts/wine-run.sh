#!/usr/bin/env bash
# Runs Windows programs under Wine.
#
#   scripts/wine-run.sh PROGRAM.exe [ARGS...]
#       Runs one program (CTest's emulator for the Windows build). It uses $WINEPREFIX when
#       set, otherwise a prefix of its own under the temporary folder, made on first use.
#   scripts/wine-run.sh --session COMMAND [ARGS...]
#       Makes a fresh prefix in a temporary folder, runs COMMAND with WINEPREFIX pointing at
#       it, then stops that prefix's wine server and removes the folder.
#
# Variables the tests read as paths (SPARROWTRIM_CORPUS_DIR) are handed over as Windows
# paths on drive Z:, which a new prefix maps to the Linux root.
set -euo pipefail

find_loader() {
  local candidate
  for candidate in "${WINE:-}" /usr/lib/wine/wine64 "$(command -v wine64 || true)" \
    "$(command -v wine || true)"; do
    if [ -n "$candidate" ] && [ -x "$candidate" ]; then
      echo "$candidate"
      return 0
    fi
  done
  echo "wine-run: no Wine loader found (install the wine64 package)" >&2
  return 1
}

find_server() {
  local candidate
  for candidate in "${WINESERVER:-}" /usr/lib/wine/wineserver64 /usr/lib/wine/wineserver \
    "$(command -v wineserver || true)"; do
    if [ -n "$candidate" ] && [ -x "$candidate" ]; then
      echo "$candidate"
      return 0
    fi
  done
  echo "wine-run: no wine server found (install the wine64 package)" >&2
  return 1
}

WINE=$(find_loader)
WINESERVER=$(find_server)
export WINE WINESERVER WINELOADER="$WINE"
export WINEDEBUG=-all
# No prompts to install the .NET and HTML engines into a new prefix.
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64
unset DISPLAY WAYLAND_DISPLAY

boot_prefix() {
  "$WINE" wineboot --init >/dev/null 2>&1
  "$WINESERVER" -w
}

if [ "${1:-}" = "--session" ]; then
  shift
  session_dir=$(mktemp -d "${TMPDIR:-/tmp}/sparrowtrim-wine.XXXXXX")
  export WINEPREFIX="$session_dir/prefix"
  cleanup() {
    "$WINESERVER" -k >/dev/null 2>&1 || true
    rm -rf "$session_dir"
  }
  trap cleanup EXIT
  boot_prefix
  status=0
  "$@" || status=$?
  exit "$status"
fi

if [ $# -eq 0 ]; then
  echo "usage: wine-run.sh PROGRAM [ARGS...] | --session COMMAND [ARGS...]" >&2
  exit 2
fi

if [ -z "${WINEPREFIX:-}" ]; then
  export WINEPREFIX="${TMPDIR:-/tmp}/sparrowtrim-wine-$(id -u)"
  # Tests started side by side must not boot the same prefix twice.
  exec 9>"$WINEPREFIX.lock"
  flock 9
  [ -f "$WINEPREFIX/system.reg" ] || boot_prefix
  flock -u 9
  exec 9>&-
fi

to_windows_path() {
  local path=$1
  case "$path" in
    /*) printf 'Z:%s' "${path//\//\\}" ;;
    *) printf '%s' "$path" ;;
  esac
}

if [ -n "${SPARROWTRIM_CORPUS_DIR:-}" ]; then
  SPARROWTRIM_CORPUS_DIR=$(to_windows_path "$(realpath -m "$SPARROWTRIM_CORPUS_DIR")")
  export SPARROWTRIM_CORPUS_DIR
fi

exec "$WINE" "$@"
