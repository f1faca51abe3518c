#!/usr/bin/env bash
# reproducible-build.sh: makes the download twice, from two copies of this
# checkout in folders of different names and depths, with every check of
# tools/make-package.sh, and compares the two zips byte for byte. A release
# is only verifiable if anyone building the same commit gets the same bytes:
# no time stamps, no build paths inside. Prints both SHA-256 sums; exits
# non-zero if a check fails or the zips differ.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/tapvero-reproducible.XXXXXX")
trap 'rm -rf "$work"' EXIT
# Zip dates start in 1980: without a commit, that.
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git -C "$root" log -1 --format=%ct 2>/dev/null || echo 315532800)}

zips=()
for dir in "$work/a" "$work/second/build-folder-with-a-longer-name"; do
  mkdir -p "$dir/source"
  # The checkout as it is, without what builds and packages leave in it.
  tar -C "$root" --exclude=./build --exclude=./dist --exclude=./notes --exclude=./.git -cf - . | tar -xf - -C "$dir/source"
  "$root/tools/make-package.sh" "$dir/source" "$dir" "$dir/out"
  zips+=("$(ls "$dir"/out/Tapvero-*-win64.zip)")
done
if ! cmp -s "${zips[0]}" "${zips[1]}"; then
  echo "reproducible-build: FAILED: the two downloads differ" >&2
  cmp -l "$work/a/build/Tapvero.exe" "$work/second/build-folder-with-a-longer-name/build/Tapvero.exe" | head -n 20 >&2 || true
  exit 1
fi
echo "reproducible-build: both downloads are identical ($(stat -c %s "${zips[0]}") bytes)"
