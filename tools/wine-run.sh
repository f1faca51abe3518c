#!/usr/bin/env bash
# Runs a Windows program under Wine in a prefix of the build's own.
#   TAPVERO_WINE_ROOT  folder for prefixes and locale data (default: build/wine
#                      beside this script's checkout)
#   TAPVERO_ACP        936 (default) or 1252: the ANSI code page Wine runs with
#   TAPVERO_DISPLAY_FILE  if set and the file exists, DISPLAY is read from it
# The first run in a prefix creates it (about 10 s); later runs start at once.
#   wine-run.sh --start-server | --stop-server: a server for a test run (below)
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=${TAPVERO_WINE_ROOT:-$here/../build/wine}
acp=${TAPVERO_ACP:-936}
mkdir -p "$root"
root=$(cd "$root" && pwd)

export WINEPREFIX=$root/prefix-$acp
export WINEARCH=win64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

case "$acp" in
  936)
    # Wine takes its code page from the locale, which Debian does not
    # generate by default: build it into a folder of our own.
    if [ ! -e "$root/locale/zh_CN.UTF-8/LC_CTYPE" ]; then
      (
        flock 9
        if [ ! -e "$root/locale/zh_CN.UTF-8/LC_CTYPE" ]; then
          mkdir -p "$root/locale"
          localedef -i zh_CN -f UTF-8 "$root/locale/zh_CN.UTF-8" 2>/dev/null || true
        fi
      ) 9>"$root/locale.lock"
    fi
    locale_env=(LOCPATH="$root/locale" LC_ALL=zh_CN.UTF-8 LANG=zh_CN.UTF-8)
    ;;
  1252)
    locale_env=(LC_ALL=C.UTF-8 LANG=C.UTF-8)
    unset LOCPATH
    ;;
  *) echo "wine-run: unknown TAPVERO_ACP $acp" >&2; exit 2 ;;
esac

if [ -n "${TAPVERO_DISPLAY_FILE:-}" ] && [ -s "$TAPVERO_DISPLAY_FILE" ]; then
  DISPLAY=$(cat "$TAPVERO_DISPLAY_FILE")
  export DISPLAY
fi

if [ ! -e "$WINEPREFIX/.tapvero-ready" ]; then
  (
    flock 9
    if [ ! -e "$WINEPREFIX/.tapvero-ready" ]; then
      rm -rf "$WINEPREFIX"
      env "${locale_env[@]}" DISPLAY= wineboot -i >/dev/null 2>&1 || true
      # Title bars drawn by Wine itself (there is no window manager), and
      # the usual Chinese faces mapped to the installed CJK font so that
      # every code page renders the program's texts.
      DISPLAY= wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
      for face in SimSun "MS Shell Dlg" "MS Shell Dlg 2" Tahoma "Microsoft YaHei" NSimSun SimHei; do
        DISPLAY= wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes' \
          /v "$face" /d "WenQuanYi Micro Hei" /f >/dev/null 2>&1
      done
      wineserver -w || true
      touch "$WINEPREFIX/.tapvero-ready"
    fi
  ) 9>"$root/prefix-$acp.lock"
fi

# The caption buttons Wine draws are glyphs of its own Marlett font (the
# close box is its "r"). Debian's fonts-wine puts Wine's fonts in
# /usr/share/wine/fonts, but Debian's Wine looks for them in its data
# folder's "../fonts" and never loads them, so every prefix gets a copy in
# C:\windows\Fonts, which Wine reads at each start. Done outside the set-up
# above so that prefixes made before this need no rebuilding.
marlett=/usr/share/wine/fonts/marlett.ttf
if [ ! -e "$WINEPREFIX/drive_c/windows/Fonts/marlett.ttf" ] && [ -e "$marlett" ] &&
   [ -d "$WINEPREFIX/drive_c/windows/Fonts" ]; then
  cp "$marlett" "$WINEPREFIX/.marlett.ttf.$$"
  mv -f "$WINEPREFIX/.marlett.ttf.$$" "$WINEPREFIX/drive_c/windows/Fonts/marlett.ttf"
fi

case "${1:-}" in
  # A test run's server: it stays until --stop-server, so that no program of
  # the run ever meets a server that is just leaving, and neither it nor the
  # programs Wine starts for itself keep the caller's files open.
  --start-server)
    env "${locale_env[@]}" wineserver -p </dev/null >/dev/null 2>&1 || true
    exec env "${locale_env[@]}" wine cmd /c exit </dev/null >/dev/null 2>&1
    ;;
  --stop-server) exec wineserver -k ;;
esac

# The locale goes to Wine only: this shell has no use for it.
exec env "${locale_env[@]}" wine "$@"
