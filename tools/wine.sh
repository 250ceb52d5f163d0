#!/usr/bin/env bash
# Runs a Windows program under the project's Wine prefix.
# WINEPREFIX defaults to the headless test prefix (null graphics driver);
# run.sh points it at the prefix that draws on a display.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX=${WINEPREFIX:-$root/build/wine-test}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
for wine in /usr/lib/wine/wine64 "$(command -v wine64)" "$(command -v wine)"; do
  if [ -n "$wine" ] && [ -x "$wine" ]; then
    exec "$wine" "$@"
  fi
done
echo "wine.sh: Wine is not installed (run ./test.sh or ./run.sh to set up)" >&2
exit 127
