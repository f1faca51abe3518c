#!/usr/bin/env bash
# check_layers.sh [SRC]: fails when a file includes the header of a layer
# above its own (or of a sibling it must not know). The layers, lowest
# first: base (ticks, clocks, handles); text; input (the input thread's);
# widgets (the window toolkit); the settings file (storage); the main
# window's control table (form); the three features and, beside them, the
# record (which never includes a feature, nor a feature it); the program
# (app).
# Each folder is one layer. Prints every offending include.
set -euo pipefail
src=${1:-$(dirname "$0")/../src}

layer_of() {
  case "$1" in
    base/*) echo base ;;
    text/*) echo text ;;
    input/*) echo input ;;
    widgets/*) echo widgets ;;
    storage/*) echo storage ;;
    form/*) echo form ;;
    app/*) echo program ;;
    speed_test/*) echo speed_test ;;
    positioning_test/*) echo positioning_test ;;
    alternation_lock/*) echo alternation_lock ;;
    record/*) echo record ;;
    *) echo unknown ;;
  esac
}

may_include() {  # layer -> the layers its files may include
  case "$1" in
    base) echo "base" ;;
    text) echo "base text" ;;
    input) echo "base text input" ;;
    widgets) echo "base text input widgets" ;;
    storage) echo "base text input storage" ;;
    form) echo "base text input widgets storage form" ;;
    speed_test | positioning_test | alternation_lock | record) echo "base text input widgets storage form $1" ;;
    program) echo "base text input widgets storage form speed_test positioning_test alternation_lock record program" ;;
  esac
}

bad=0
cd "$src"
while IFS= read -r file; do
  file=${file#./}
  from=$(layer_of "$file")
  if [ "$from" = unknown ]; then
    echo "check_layers: $file belongs to no layer" >&2
    bad=1
    continue
  fi
  allowed=" $(may_include "$from") "
  while IFS= read -r header; do
    to=$(layer_of "$header")
    [ "$to" = unknown ] && continue  # not one of ours
    if [[ $allowed != *" $to "* ]]; then
      echo "check_layers: $file ($from) includes $header ($to)" >&2
      bad=1
    fi
  done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file")
done < <(find . -type f \( -name '*.h' -o -name '*.cpp' \) | sort)

if [ "$bad" -ne 0 ]; then exit 1; fi
echo "check_layers: no include reaches upwards"
