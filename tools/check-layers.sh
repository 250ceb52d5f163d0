#!/usr/bin/env bash
# Checks that the folders depend on each other one way only: every
# #include "folder/..." of a source file must name a folder its own layer may
# use. Also checks that the common controls are reached through their
# wrappers in ui/framework/Controls.h: no other program source sends them a
# control message of its own. Prints each line that breaks a rule; exits
# non-zero if any does.
#   tools/check-layers.sh
set -euo pipefail
cd "$(dirname "$0")/.."

# layer: the include prefixes (besides its own folder) it may use. The result
# model builds on the tree model of the tree view, which needs no window.
declare -A allowed=(
  [system]=""
  [imaging]=""
  [engine]="system/ imaging/ImageClonarium.h"
  [results]="system/ engine/ i18n/ ui/common/VirtualTree.h ui/common/CheckState.h"
  [storage]="system/ engine/ results/"
  [i18n]="system/ resources/"
  [deletion]="system/ engine/ results/ storage/ i18n/ ui/common/VirtualTree.h ui/common/CheckState.h"
  [update]="system/ i18n/"
  [ui/framework]="system/"
  [ui/common]="system/ ui/framework/ i18n/ resources/"
)

status=0
for layer in "${!allowed[@]}"; do
  [ -d "$layer" ] || continue
  # ui/ itself may use everything; its subfolders are layers of their own.
  while IFS= read -r line; do
    file=${line%%:*}
    target=$(sed -E 's/.*#include "([^"]+)".*/\1/' <<<"$line")
    [[ $target == "$layer"/* ]] && continue
    ok=0
    for prefix in ${allowed[$layer]}; do
      [[ $target == "$prefix"* ]] && ok=1 && break
    done
    if [ $ok -eq 0 ]; then
      echo "check-layers: $file includes $target, which $layer/ may not use"
      status=1
    fi
  done < <(grep -HE '^#include "[a-z]+/' "$layer"/*.h "$layer"/*.cpp 2>/dev/null || true)
done
controls='(LVM|TVM|TB|RB|SB|CB|TBM|PBM|DTM|HDM|TTM)_[A-Z]+'
while IFS= read -r line; do
  echo "check-layers: $line sends a control message past its wrapper"
  status=1
done < <(grep -rnE "(Send|Post)Message[AW]?\(.*\b$controls" --include='*.cpp' --include='*.h' ui tools |
  grep -v '^ui/framework/' |
  grep -vE '\b(SB|TB)_(LEFT|RIGHT|LINE|PAGE|THUMB|TOP|BOTTOM|END)' || true) # scroll codes, not messages
[ $status -eq 0 ] && echo "check-layers: every include runs one way; every control is reached through its wrapper"
exit $status
