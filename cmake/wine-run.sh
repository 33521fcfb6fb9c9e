#!/bin/sh
# Runs a Windows program under wine for ctest: quiet, and in a prefix of its
# own unless WINEPREFIX says otherwise, so a developer's own is never touched.
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEPREFIX="${WINEPREFIX:-${TMPDIR:-/tmp}/tenfall-wine-$(id -u)}"
wine=/usr/lib/wine/wine64
[ -x "$wine" ] || wine=wine64
exec "$wine" "$@"
