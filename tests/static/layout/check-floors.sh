#!/usr/bin/env bash
# The uninstall tool stands on four floors, each including only the floors
# below it: system (the route to Windows), profile, engine, app. The
# resource ids of uninstall/res are for the engine's and the app's messages.
# unmcheck reads scripts as the tool does and stands on profile; the two
# libraries of the package share no code with the tool.
# Usage: check-floors.sh SOURCE_ROOT. Prints every include that points up.
set -u
root=${1:?usage: check-floors.sh SOURCE_ROOT}
cd "$root" || exit 2

rank() {  # the floor of a folder of the tool, or nothing for another folder
  case "$1" in
    uninstall/system) echo 0 ;;
    uninstall/profile) echo 1 ;;
    uninstall/engine|uninstall/res) echo 2 ;;
    uninstall/app) echo 3 ;;
    tools/unmcheck) echo 1 ;;
    statusdlg|coinstaller) echo -1 ;;  # nothing of the tool
  esac
}

bad=0
checked=0
while IFS= read -r line; do
  file=${line%%:*}
  included=$(sed -E 's/.*#include "([^"]+)".*/\1/' <<<"${line#*:}")
  from=$(rank "$(dirname "$file")")
  case "$included" in uninstall/*/*) ;; *) continue ;; esac
  to=$(rank "$(dirname "$included")")
  [ -n "$from" ] && [ -n "$to" ] || continue
  checked=$((checked + 1))
  if [ "$to" -gt "$from" ] || [ "$from" -lt 0 ]; then
    echo "points up: $file includes $included"
    bad=$((bad + 1))
  fi
done < <(grep -rn --include='*.h' --include='*.cpp' --include='*.rc' '^#include "' \
           uninstall tools/unmcheck statusdlg coinstaller | sed -E 's/^([^:]+):[0-9]+:/\1:/')

echo "$checked includes between floors checked, $bad point up"
[ "$checked" -gt 0 ] && [ "$bad" -eq 0 ]
