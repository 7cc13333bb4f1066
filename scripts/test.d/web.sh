#!/usr/bin/env bash
# The web add-in stage: installs node and Chromium where missing, builds the
# task pane and its browser tests into the Linux test build, and runs the
# tests in headless Chromium against that build's kvfiled.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../lib.sh"
cd "$KV_ROOT"

lists=("$KV_ROOT/scripts/deps/web.txt")
command -v npm >/dev/null || lists+=("$KV_ROOT/scripts/deps/web-node.txt")
kv_install_packages "${lists[@]}"

build="$KV_ROOT/build/linux-test"
kvfiled="${KVFILED:-$build/src/service/kvfiled}"
[ -x "$kvfiled" ] || { echo "web: $kvfiled is missing: build the linux-test preset first" >&2; exit 1; }

cd "$KV_ROOT/web"
npm ci --no-audit --no-fund --loglevel=error
node build.mjs "$build/web" "$build/web-test"
scratch="$(kv_memory_scratch)"
trap '[ -z "$scratch" ] || rm -rf "$scratch"' EXIT
TMPDIR="${scratch:-${TMPDIR:-/tmp}}" KV_WEB_ROOT="$build/web" KV_MAIL_DATA="$KV_ROOT/tests/data/mail" \
  KVFILED="$kvfiled" node --test "$build/web-test/pane.test.js"
echo "== screenshots: $build/web-test/screenshots"
