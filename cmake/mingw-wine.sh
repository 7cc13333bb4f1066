#!/usr/bin/env bash
# Runs a Windows program under Wine for ctest: mingw-wine.sh PREFIX PROGRAM ARGS...
# The prefix is created on first use; a time limit keeps a hung Wine from
# hanging the test run.
set -euo pipefail
prefix="$1"; shift
export WINEPREFIX="${WINEPREFIX:-$prefix}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
limit="${KV_WINE_TIMEOUT:-300}"

# The marker, not system.reg: a persistent wineserver writes the registry
# files only when it ends.
ready="$WINEPREFIX/.kv-prefix-ready"
if [ ! -f "$ready" ]; then
  mkdir -p "$WINEPREFIX"
  (
    flock 9
    if [ ! -f "$ready" ]; then
      timeout 120 wine wineboot -i >/dev/null 2>&1 </dev/null
      touch "$ready"
    fi
  ) 9>"$WINEPREFIX.lock"
fi

# Wine's helper processes (wineserver, services) may outlive the program and
# keep an inherited pipe open, so a caller reading our output through a pipe
# would wait for them. The output goes through files instead.
out="$(mktemp)"; err="$(mktemp)"
trap 'rm -f "$out" "$err"' EXIT
run() {
  rc=0
  timeout -k 10 "$limit" wine "$@" >"$out" 2>"$err" </dev/null || rc=$?
}
run "$@"
# A Windows program's own crash ends through Wine's exception handling with an
# NTSTATUS exit code; a SIGSEGV of the wine process itself (seen on 32-bit
# prefixes as a program exits) is Wine's, so that one run is tried once more.
if [ "$rc" -eq 139 ]; then
  echo "mingw-wine.sh: wine itself died of SIGSEGV; running the program once more" >&2
  cat "$out"; cat "$err" >&2
  run "$@"
fi
cat "$out"; cat "$err" >&2
exit "$rc"
