#!/usr/bin/env bash
# Builds the download for Windows players from the commit checked out:
# dist/Tapvero-<version>-win64.zip (Tapvero.exe, README.txt, LICENSE) and
# dist/SHA256SUMS. The build runs in Release from a clean copy of the commit
# (git archive): uncommitted changes never reach a package. File dates in
# the zip are the commit's time (or SOURCE_DATE_EPOCH if set), so packaging
# the same commit twice, anywhere, gives the same bytes.
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
tools/release-build.sh "$work/source" "$work/build"
exe=$work/build/Tapvero.exe

# The version, as project() gives it: 1.2.0.0 names the package 1.2.
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$work/build/CMakeCache.txt")
short=$(echo "$version" | cut -d. -f1-2)

# What a player can rely on: one file, below 1 MB, needing only Windows' own DLLs.
size=$(stat -c %s "$exe")
if [ "$size" -ge 1048576 ]; then
  echo "package.sh: Tapvero.exe is $size bytes, 1 MB or more" >&2
  exit 1
fi
imports=$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^\s*DLL Name: //p' | tr '[:upper:]' '[:lower:]' | sort)
for dll in $imports; do
  case "$dll" in
    kernel32.dll | user32.dll | gdi32.dll | comctl32.dll | msvcrt.dll | advapi32.dll | shell32.dll) ;;
    *) echo "package.sh: Tapvero.exe imports $dll, not a Windows system DLL" >&2; exit 1 ;;
  esac
done

# Text files with Windows line ends; every file with the same date and mode.
stage=$work/stage
mkdir "$stage"
cp "$exe" "$stage/Tapvero.exe"
sed 's/\r*$/\r/' "$work/source/docs/README-Windows.txt" >"$stage/README.txt"
sed 's/\r*$/\r/' "$work/source/LICENSE" >"$stage/LICENSE"
chmod 644 "$stage"/*
touch -d "@$SOURCE_DATE_EPOCH" "$stage"/*
zip_name=Tapvero-$short-win64.zip
(cd "$stage" && TZ=UTC zip -q -X -D -9 "$work/$zip_name" Tapvero.exe README.txt LICENSE)

mkdir -p "$root/dist"
rm -f "$root/dist/$zip_name" "$root/dist/SHA256SUMS"
mv "$work/$zip_name" "$root/dist/"
(cd "$root/dist" && sha256sum "$zip_name" >SHA256SUMS)

echo "package.sh: Tapvero $version from commit ${commit:0:12}"
echo "  Tapvero.exe: $size bytes, imports $(echo "$imports" | paste -sd,), SHA-256 $(sha256sum "$exe" | cut -d' ' -f1)"
echo "  dist/$zip_name"
(cd "$root/dist" && unzip -l "$zip_name" | sed 's/^/    /' && sed 's/^/  SHA256SUMS: /' SHA256SUMS)
