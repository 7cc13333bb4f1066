#!/usr/bin/env bash
# The Windows stage: cross-builds the add-in for x64 and x86 with MinGW-w64
# and runs both test suites under Wine (64- and 32-bit Wine in one fresh
# prefix of the build's own), then builds, signs, installs, upgrades and
# removes the MSI packages there.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../lib.sh"
cd "$KV_ROOT"

# Debian's 32-bit Wine (for the x86 build, as 32-bit Outlook loads it) is a
# 32-bit Linux program: it runs only where the kernel runs those. A 93-byte
# i386 program that just exits tells. Where it cannot run, wine32 is not
# installed at all, since the wine command would then start every program
# through it and fail.
can_run_i386() {
  local probe rc=0
  probe="$(mktemp)"
  printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08'\
'\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00'\
'\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x5d\x00\x00\x00\x5d\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00'\
'\xb8\x01\x00\x00\x00\x31\xdb\xcd\x80' >"$probe"
  chmod +x "$probe"
  "$probe" 2>/dev/null || rc=$?
  rm -f "$probe"
  [ "$rc" -eq 0 ]
}
arches=(x64)
x86_note=""
if [ "$(dpkg --print-architecture)" = amd64 ] && can_run_i386; then
  dpkg --print-foreign-architectures | grep -qx i386 || kv_as_root dpkg --add-architecture i386
  kv_install_packages "$KV_ROOT/scripts/deps/windows.txt" "$KV_ROOT/scripts/deps/windows-x86.txt"
  arches+=(x86)
else
  kv_install_packages "$KV_ROOT/scripts/deps/windows.txt"
  x86_note="x86: built, not run: this machine's kernel does not run 32-bit programs, and 32-bit Wine is one"
fi

extra=()
[ "${CI:-}" = "true" ] && extra+=(-DKV_WARNINGS_AS_ERRORS=ON)

timings=()
timed() {
  local label="$1" start
  shift
  start=$(date +%s)
  "$@"
  timings+=("$label: $(( $(date +%s) - start )) s")
}

for preset in windows-x64 windows-x86; do
  timed "configure $preset" cmake --preset "$preset" "${extra[@]}"
  timed "build $preset" cmake --build --preset "$preset" -j "$(kv_jobs)"
done

build="$KV_ROOT/build/windows-x64"
export WINEPREFIX="$build/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
xvfb_pid=""
cleanup() {
  timeout 30 wineserver -k >/dev/null 2>&1 || true
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
}
trap cleanup EXIT

# A virtual display for windowed tests, unless one is there already.
if [ -z "${DISPLAY:-}" ]; then
  display_file="$build/xvfb.display"
  rm -f "$display_file"
  Xvfb -displayfd 9 -screen 0 1280x1024x24 -nolisten tcp 9>"$display_file" >"$build/xvfb.log" 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 50); do [ -s "$display_file" ] && break; sleep 0.1; done
  [ -s "$display_file" ] || { echo "Xvfb did not start" >&2; exit 1; }
  export DISPLAY=":$(cat "$display_file")"
fi

# A fresh prefix each run, so no registration of an earlier run is seen.
# The server is started first and kept (-p): every test program then
# starts in well under a second.
start=$(date +%s)
rm -rf "$WINEPREFIX" "$WINEPREFIX.lock"
mkdir -p "$WINEPREFIX"
timeout 30 wineserver -p >"$build/wineserver.log" 2>&1
timeout 120 wine wineboot -i >"$build/wineboot.log" 2>&1 </dev/null
# Xvfb has no window manager: Wine draws the window frames itself, so the
# dialog's screenshot shows its caption.
timeout 30 wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >>"$build/wineboot.log" 2>&1 </dev/null
touch "$WINEPREFIX/.kv-prefix-ready"  # tells cmake/mingw-wine.sh the prefix is made
timings+=("Wine prefix: $(( $(date +%s) - start )) s")

# Both suites in the one prefix, as 32- and 64-bit Outlook share a Windows;
# one after the other, since both register the add-in for the current user.
summaries=()
for arch in "${arches[@]}"; do
  log="$KV_ROOT/build/windows-$arch/ctest.log"
  rc=0
  start=$(date +%s)
  ctest --test-dir "$KV_ROOT/build/windows-$arch" -j "$(kv_jobs)" --output-on-failure --timeout 300 \
    >"$log" 2>&1 || rc=$?
  timings+=("test windows-$arch (ctest under Wine): $(( $(date +%s) - start )) s")
  cat "$log"
  summaries+=("$arch: $(grep -E 'tests passed|tests failed' "$log" | tail -1)")
  [ "$rc" -eq 0 ] || { echo "windows-$arch tests failed" >&2; printf '   %s\n' "${summaries[@]}" >&2; exit "$rc"; }
done
[ -z "$x86_note" ] || summaries+=("$x86_note")
echo "== Windows tests under Wine"
printf '   %s\n' "${summaries[@]}"

# The start-up figure of the real DLL against the fake Outlook.
for arch in "${arches[@]}"; do
  figure="$(KV_WINE_TIMEOUT=120 "$KV_ROOT/cmake/mingw-wine.sh" "$WINEPREFIX" \
    "$KV_ROOT/build/windows-$arch/tests/adapters/win32/addin_startup_figure.exe" 2>&1)" \
    || { echo "$figure" >&2; echo "the start-up figure ($arch) failed" >&2; exit 1; }
  grep '^start-up' <<<"$figure"
done

# The dialog as the dialog test showed it (written as BMP under Wine).
shot="$build/frmKorvane-wine"
if [ -f "$shot.bmp" ]; then
  convert "$shot.bmp" "$shot.png" && rm -f "$shot.bmp"
  echo "dialog screenshot: $shot.png"
fi

# regsvr32 itself, as an installer would run it.
wine_out="$build/regsvr32.out"
wine_query() {  # KEY: prints the key's values, or nothing when it is missing
  timeout 30 wine reg query "$1" >"$wine_out" 2>&1 </dev/null || true
  cat "$wine_out"
}
timeout 30 winepath -w "$build/src/adapters/win32/KVOutlookAddin.dll" >"$wine_out" 2>/dev/null </dev/null
dll="$(tr -d '\r' <"$wine_out")"
addin_key='HKCU\Software\Microsoft\Office\Outlook\Addins\KVOutlookAddin.Connect'
class_key='HKCU\Software\Classes\CLSID\{DC7933BD-EBD4-41DF-915E-D2671E23E8B5}\InprocServer32'

expect_registered() {  # WHAT: the add-in's keys and values are there after WHAT
  local values
  values="$(wine_query "$addin_key")$(wine_query "$class_key")"
  for expected in 'FriendlyName    REG_SZ    Korvane Outlook Addin' 'LoadBehavior    REG_DWORD    0x3' \
                  'ThreadingModel    REG_SZ    Apartment' "REG_SZ    $dll"; do
    grep -qF -- "$expected" <<<"$values" || { echo "$1 did not register: $expected" >&2; echo "$values" >&2; exit 1; }
  done
}
expect_unregistered() {  # WHAT: none of the add-in's keys is left after WHAT
  for key in "$addin_key" "$class_key"; do
    if timeout 30 wine reg query "$key" >"$wine_out" 2>&1 </dev/null; then
      echo "$1 left $key behind" >&2
      exit 1
    fi
  done
}

timeout 60 wine regsvr32 /s "$dll" >"$wine_out" 2>&1 </dev/null
expect_registered "regsvr32"
timeout 60 wine regsvr32 /s /u "$dll" >"$wine_out" 2>&1 </dev/null
expect_unregistered "regsvr32 /u"
echo "regsvr32: registered and unregistered $dll"

# The README's per-user .reg file, with this DLL's path put in, registers the
# same; regsvr32 /u then removes all of it.
reg_file="$build/KVOutlookAddin.reg"
DLL_REG="${dll//\\/\\\\}" awk '/^```reg$/ { on = 1; next } /^```$/ { on = 0 }
  on && /^@="C:\\\\Users/ { print "@=\"" ENVIRON["DLL_REG"] "\""; next } on { print }' \
  "$KV_ROOT/README.md" >"$reg_file"
grep -q '^\[HKEY_CURRENT_USER' "$reg_file" || { echo "README.md holds no .reg example" >&2; exit 1; }
timeout 60 wine reg import "$(timeout 30 winepath -w "$reg_file" 2>/dev/null </dev/null | tr -d '\r')" \
  >"$wine_out" 2>&1 </dev/null
expect_registered "the README's .reg file"
timeout 60 wine regsvr32 /s /u "$dll" >"$wine_out" 2>&1 </dev/null
expect_unregistered "regsvr32 /u after the .reg file"
echo "README .reg: imported and unregistered"

# The MSI packages: built, signed with a throwaway certificate, verified,
# installed, loaded, upgraded and removed, for both builds.
export KV_WINE_ARCHES="${arches[*]}"
timed "MSI packages (build, sign, install, upgrade, remove)" \
  bash "$KV_ROOT/scripts/package/check-under-wine.sh"

echo "== Windows stage timings"
printf '   %s\n' "${timings[@]}"
