#!/usr/bin/env bash
# Builds the download for Windows players from the commit checked out:
# dist/Tapvero-<version>-win64.zip (Tapvero.exe, README.txt, LICENSE) and
# dist/SHA256SUMS. The build runs in Release from a clean copy of the commit
# (git archive): uncommitted changes never reach a package. File dates in
# the zip are the commit's time (or SOURCE_DATE_EPOCH if set), so packaging
# the same commit twice, anywhere, gives the same bytes. What it checks:
# tools/make-package.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

./scripts/bootstrap.sh
commit=$(git rev-parse HEAD)
if ! git diff --quiet HEAD --; then
  echo "package.sh: uncommitted changes are left out: packaging commit ${commit:0:12}" >&2
fi
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct "$commit")}

work=$(mktemp -d "${TMPDIR:-/tmp}/tapvero-package.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir "$work/source"
git archive "$commit" | tar -xf - -C "$work/source"
tools/make-package.sh "$work/source" "$work" "$work/out"

mkdir -p "$root/dist"
zip_name=$(cd "$work/out" && ls Tapvero-*-win64.zip)
rm -f "$root/dist/$zip_name" "$root/dist/SHA256SUMS"
mv "$work/out/$zip_name" "$work/out/SHA256SUMS" "$root/dist/"
echo "package.sh: commit ${commit:0:12}: dist/$zip_name and dist/SHA256SUMS"
(cd "$root/dist" && unzip -l "$zip_name" | sed 's/^/    /')
