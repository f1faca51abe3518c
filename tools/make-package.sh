#!/usr/bin/env bash
# make-package.sh SOURCE WORK OUT: builds Tapvero.exe in Release from the
# sources in SOURCE (build folder WORK/build), checks what a player relies on
# and writes OUT/Tapvero-<version>-win64.zip (Tapvero.exe, README.txt,
# LICENSE) and OUT/SHA256SUMS. File dates in the zip are SOURCE_DATE_EPOCH,
# which the caller sets, so the same sources give the same bytes.
# What it checks: the program file below 1 MB, importing only the DLLs of
# tools/system-dlls.txt, with its version resource and manifest; the zip
# holding the three files; SHA256SUMS accepted by `sha256sum -c`.
set -euo pipefail
src=$1 work=$2 out=$3
here=$(cd "$(dirname "$0")" && pwd)
: "${SOURCE_DATE_EPOCH:?make-package.sh: set SOURCE_DATE_EPOCH}"
fail() { echo "make-package.sh: $*" >&2; exit 1; }

mkdir -p "$work" "$out"
"$here/release-build.sh" "$src" "$work/build"
exe=$work/build/Tapvero.exe

# The version, as project() gives it: 1.2.0.0 names the package 1.2.
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$work/build/CMakeCache.txt")
short=$(echo "$version" | cut -d. -f1-2)

size=$(stat -c %s "$exe")
[ "$size" -lt 1048576 ] || fail "Tapvero.exe is $size bytes, 1 MB or more"
pe=$(x86_64-w64-mingw32-objdump -p "$exe")
allowed=$(sed -e 's/#.*//' -e 's/[[:space:]]//g' "$here/system-dlls.txt" | grep -v '^$' | tr '[:upper:]' '[:lower:]')
imports=$(echo "$pe" | sed -n 's/^\s*DLL Name: //p' | tr '[:upper:]' '[:lower:]' | sort)
for dll in $imports; do
  echo "$allowed" | grep -qxF "$dll" || fail "Tapvero.exe imports $dll, which is not in tools/system-dlls.txt"
done
# The resource types at the top of the resource directory: 0x10 the
# version information, 0x18 the manifest.
types=$(echo "$pe" | sed -n '/The .rsrc Resource Directory/,$p' | sed -n 's/^[0-9a-f]*   Entry: ID: \(0x[0-9a-f]*\),.*/\1/p')
echo "$types" | grep -qx 0x000010 || fail "Tapvero.exe has no version resource"
echo "$types" | grep -qx 0x000018 || fail "Tapvero.exe has no manifest"

# Text files with Windows line ends; every file with the same date and mode.
stage=$work/stage
rm -rf "$stage"
mkdir "$stage"
cp "$exe" "$stage/Tapvero.exe"
sed 's/\r*$/\r/' "$src/docs/README-Windows.txt" >"$stage/README.txt"
sed 's/\r*$/\r/' "$src/LICENSE" >"$stage/LICENSE"
chmod 644 "$stage"/*
touch -d "@$SOURCE_DATE_EPOCH" "$stage"/*
zip_name=Tapvero-$short-win64.zip
rm -f "$out/$zip_name" "$out/SHA256SUMS"
(cd "$stage" && TZ=UTC zip -q -X -D -9 "$out/$zip_name" Tapvero.exe README.txt LICENSE)
(cd "$out" && sha256sum "$zip_name" >SHA256SUMS && sha256sum --quiet -c SHA256SUMS) || fail "SHA256SUMS does not check"
listed=$(unzip -Z1 "$out/$zip_name" | sort | paste -sd' ')
[ "$listed" = "LICENSE README.txt Tapvero.exe" ] || fail "the zip holds $listed"

echo "make-package.sh: Tapvero $version, Tapvero.exe $size bytes, imports $(echo "$imports" | paste -sd,)"
echo "  $out/$zip_name  SHA-256 $(cut -d' ' -f1 "$out/SHA256SUMS")"
