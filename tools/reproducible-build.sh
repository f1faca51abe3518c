#!/usr/bin/env bash
# reproducible-build.sh: builds Tapvero.exe in Release twice, from two copies
# of this checkout in folders of different names and depths, and compares
# the two program files. A release is only verifiable if anyone building the
# same commit gets the same bytes: no time stamps, no build paths inside.
# Prints both SHA-256 sums; exits non-zero if they differ.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/tapvero-reproducible.XXXXXX")
trap 'rm -rf "$work"' EXIT

sums=()
for dir in "$work/a" "$work/second/build-folder-with-a-longer-name"; do
  mkdir -p "$dir/source"
  # The checkout as it is, without what builds and packages leave in it.
  tar -C "$root" --exclude=./build --exclude=./dist --exclude=./notes --exclude=./.git -cf - . | tar -xf - -C "$dir/source"
  "$root/tools/release-build.sh" "$dir/source" "$dir/build"
  sums+=("$(sha256sum "$dir/build/Tapvero.exe" | cut -d' ' -f1)")
  echo "${sums[-1]}  $dir/build/Tapvero.exe"
done
if [ "${sums[0]}" != "${sums[1]}" ]; then
  echo "reproducible-build: FAILED: the two builds of Tapvero.exe differ" >&2
  cmp -l "$work/a/build/Tapvero.exe" "$work/second/build-folder-with-a-longer-name/build/Tapvero.exe" | head -n 20 >&2 || true
  exit 1
fi
echo "reproducible-build: both builds of Tapvero.exe are identical ($(stat -c %s "$work/a/build/Tapvero.exe") bytes)"
