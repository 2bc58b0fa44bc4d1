#!/usr/bin/env bash
# Usage: parallel_recipe.sh CLI README
# The README's recipes for spreading a tree over several processes and machines, run here as
# written (the machines being this one), leave every photo as one run of the command line over
# the whole tree leaves it.
set -uo pipefail

cli=$1
readme=$2
corpus=${SPARROWTRIM_CORPUS_DIR:?}
command -v parallel >/dev/null || { echo "SKIP: GNU parallel is not installed"; exit 0; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mapfile -t recipes < <(grep -E '^    find "\$PHOTOS"' "$readme" | sed 's/^    //')
[ ${#recipes[@]} -eq 2 ] || { echo "FAIL: expected two recipes in $readme"; exit 1; }

mkdir -p "$work/fresh/a" "$work/fresh/b/c"
cp "$corpus"/* "$work/fresh/a/"
cp "$corpus"/*.jpg "$work/fresh/b/c/"
chmod -R u+w "$work/fresh"
cp -r "$work/fresh" "$work/expected"
"$cli" --quiet -r "$work/expected" >/dev/null

failures=0
export PATH="$(dirname "$cli"):$PATH"
for recipe in "${recipes[@]}"; do
  rm -rf "$work/photos" && cp -r "$work/fresh" "$work/photos"
  (PHOTOS=$work/photos HOSTS=2/: && eval "$recipe") >/dev/null 2>&1
  if diff -r "$work/expected" "$work/photos" >/dev/null; then
    echo "ok   $recipe"
  else
    failures=$((failures + 1))
    echo "FAIL $recipe: the tree differs from one run over it"
  fi
done
[ $failures -eq 0 ]
