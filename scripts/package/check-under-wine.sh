#!/usr/bin/env bash
# The MSI packages as a user meets them, under Wine (run by the Windows test
# stage, which sets WINEPREFIX and the display): for each build the DLL and
# two packages (this version and a lower one) are signed with a throwaway
# certificate and verified; the lower one is installed, this one upgrades it,
# the files and keys are checked, the DLL is loaded by its ProgId and
# connected to the fake Outlook, and uninstalling leaves nothing behind.
# KV_WINE_ARCHES names the builds Wine can run here (default x64); the
# others are installed and removed but not loaded. KV_MSI_ARCHES picks the
# builds to package (default both).
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(cd "$here/../.." && pwd)"
: "${WINEPREFIX:?the Windows test stage sets WINEPREFIX}"
read -r -a runnable <<<"${KV_WINE_ARCHES:-x64}"
read -r -a packaged <<<"${KV_MSI_ARCHES:-x64 x86}"

out="$root/build/packages"
rm -rf "$out"
mkdir -p "$out"
version="$(sed -n 's/^project(KVOutlookAddin VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")"
IFS=. read -r major minor build <<<"$version"
if [ "$build" -gt 0 ]; then lower="$major.$minor.$((build - 1))"; else lower="$major.$((minor - 1)).0"; fi

fail() { echo "MSI check: $*" >&2; exit 1; }
wine_run() { timeout 120 wine "$@" </dev/null >"$out/wine.out" 2>&1; }
wine_text() { timeout 60 wine "$@" </dev/null 2>/dev/null | tr -d '\r'; }

# A throwaway code-signing certificate, as an organisation's would be given.
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Korvane test signing" \
  -addext extendedKeyUsage=codeSigning -keyout "$out/test-key.pem" -out "$out/test-cert.pem" 2>/dev/null
export KV_SIGN_PASSWORD="throwaway; $RANDOM"
openssl pkcs12 -export -inkey "$out/test-key.pem" -in "$out/test-cert.pem" -out "$out/test.p12" \
  -passout env:KV_SIGN_PASSWORD
export KV_SIGN_PKCS12="$out/test.p12"
verify() {
  osslsigncode verify -CAfile "$out/test-cert.pem" -in "$1" >"$out/verify.out" 2>&1 \
    && grep -q 'Signature verification: ok' "$out/verify.out" || { cat "$out/verify.out" >&2; fail "signature of $1 not verified"; }
}

local_app_data="$(wine_text cmd /c echo %LOCALAPPDATA%)"
installed_dll="$local_app_data\\Korvane\\KVOutlookAddin.dll"
installed_dir_unix="$(wine_text winepath -u "$local_app_data\\Korvane")"
clsid='{DC7933BD-EBD4-41DF-915E-D2671E23E8B5}'
# The three keys the registration makes, each with what lies below it.
keys=("HKCU\\Software\\Classes\\CLSID\\$clsid" 'HKCU\Software\Classes\KVOutlookAddin.Connect'
      'HKCU\Software\Microsoft\Office\Outlook\Addins\KVOutlookAddin.Connect')

# Every value of the registration as "key | value", sorted, so two ways of
# writing it compare equal whatever order they wrote it in.
registration() {  # VIEW
  for key in "${keys[@]}"; do wine_text reg query "$key" /s "$1"; done \
    | awk '/^HKEY_/ { key = $0; print key; next } NF { sub(/^ +/, ""); print key " | " $0 }' | sort
}

expect_installed() {  # ARCH VERSION
  local view="/reg:${1#x}" values product
  [ "$view" = /reg:86 ] && view=/reg:32
  [ -f "$installed_dir_unix/KVOutlookAddin.dll" ] || fail "$1 $2: no DLL in $installed_dir_unix"
  values="$(registration "$view")"
  for expected in "(Default)    REG_SZ    Korvane Outlook Addin" "(Default)    REG_SZ    $installed_dll" \
                  'ThreadingModel    REG_SZ    Apartment' '(Default)    REG_SZ    KVOutlookAddin.Connect' \
                  "(Default)    REG_SZ    $clsid" 'FriendlyName    REG_SZ    Korvane Outlook Addin' \
                  'Description    REG_SZ    Korvane Outlook Addin' 'LoadBehavior    REG_DWORD    0x3'; do
    grep -qF -- "$expected" <<<"$values" || { echo "$values" >&2; fail "$1 $2: missing $expected"; }
  done
  # Add/Remove Programs: exactly one entry, of this version.
  mapfile -t product < <(wine_text uninstaller --list | grep '|||Korvane Outlook Addin$')
  [ "${#product[@]}" -eq 1 ] || fail "$1 $2: ${#product[@]} entries in Add/Remove Programs"
  # (A 32-bit package's entry is in the registry's 32-bit view.)
  wine_text reg query "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\${product[0]%%|*}" /v DisplayVersion "$view" \
    | grep -qE "DisplayVersion +REG_SZ +$2\$" || fail "$1 $2: Add/Remove Programs does not show version $2"
}
expect_nothing_left() {  # ARCH
  local view="/reg:${1#x}"
  [ "$view" = /reg:86 ] && view=/reg:32
  [ ! -e "$installed_dir_unix" ] || fail "$1: $installed_dir_unix left behind: $(ls -A "$installed_dir_unix")"
  for key in "${keys[@]}"; do
    if timeout 60 wine reg query "$key" "$view" </dev/null >/dev/null 2>&1; then fail "$1: $key left behind"; fi
  done
  if wine_text uninstaller --list | grep -q 'Korvane Outlook Addin'; then fail "$1: still in Add/Remove Programs"; fi
}

# The DLL Outlook loads exports the four COM entry points and needs nothing
# but DLLs of Windows itself (those in its system folder).
check_exports_and_imports() {  # ARCH DLL
  local triple=x86_64-w64-mingw32 system="$WINEPREFIX/drive_c/windows/system32" dump name
  if [ "$1" = x86 ]; then
    triple=i686-w64-mingw32
    # Without 32-bit Wine the prefix has no 32-bit system folder; the names are the same.
    [ -f "$WINEPREFIX/drive_c/windows/syswow64/kernel32.dll" ] && system="$WINEPREFIX/drive_c/windows/syswow64"
  fi
  dump="$("$triple-objdump" -p "$2")"
  for name in DllCanUnloadNow DllGetClassObject DllRegisterServer DllUnregisterServer; do
    grep -qE "\] $name\$" <<<"$dump" || fail "$1: $name is not exported"
  done
  while read -r name; do
    [ -f "$system/${name,,}" ] || [ -f "$system/$name" ] || fail "$1: imports $name, which is no system DLL"
  done < <(sed -n 's/^\tDLL Name: //p' <<<"$dump")
}

for arch in "${packaged[@]}"; do
  dll="$root/build/windows-$arch/src/adapters/win32/KVOutlookAddin.dll"
  [ -f "$dll" ] || fail "no $arch build at $dll"
  mkdir -p "$out/$arch"
  cp "$dll" "$out/$arch/KVOutlookAddin.dll"
  # Without a certificate nothing changes; with a wrong password nothing is signed.
  cp "$dll" "$out/$arch/unsigned.dll"
  env -u KV_SIGN_PKCS12 "$here/sign.sh" "$out/$arch/unsigned.dll" >/dev/null
  cmp -s "$dll" "$out/$arch/unsigned.dll" || fail "sign.sh changed a file with no certificate given"
  if KV_SIGN_PASSWORD=wrong "$here/sign.sh" "$out/$arch/unsigned.dll" >/dev/null 2>&1; then
    fail "sign.sh signed with a wrong password"
  fi
  cmp -s "$dll" "$out/$arch/unsigned.dll" || fail "a failed signing changed the file"
  "$here/sign.sh" "$out/$arch/KVOutlookAddin.dll" >/dev/null
  current="$out/KVOutlookAddin-$version-$arch.msi" older="$out/KVOutlookAddin-$lower-$arch.msi"
  "$here/msi.sh" "$arch" "$out/$arch/KVOutlookAddin.dll" "$current" >/dev/null 2>"$out/wixl-$arch.log"
  "$here/msi.sh" "$arch" "$out/$arch/KVOutlookAddin.dll" "$older" "$lower" >/dev/null 2>>"$out/wixl-$arch.log"
  "$here/sign.sh" "$current" "$older" >/dev/null
  for file in "$out/$arch/KVOutlookAddin.dll" "$current" "$older"; do verify "$file"; done
  check_exports_and_imports "$arch" "$out/$arch/KVOutlookAddin.dll"
  echo "signatures verified: $arch DLL, $(basename "$current"), $(basename "$older")"

  wine_run msiexec /i "$(wine_text winepath -w "$older")" /qn || { cat "$out/wine.out" >&2; fail "$arch $lower did not install"; }
  expect_installed "$arch" "$lower"
  wine_run msiexec /i "$(wine_text winepath -w "$current")" /qn || { cat "$out/wine.out" >&2; fail "$arch $version did not upgrade $lower"; }
  expect_installed "$arch" "$version"
  loaded=""
  if [[ " ${runnable[*]} " == *" $arch "* ]]; then
    KV_ADDIN_INSTALLED="$installed_dll" KV_WINE_TIMEOUT=120 "$root/cmake/mingw-wine.sh" "$WINEPREFIX" \
      "$root/build/windows-$arch/tests/adapters/win32/addin_dll_tests.exe" \
      --gtest_filter='AddinInOutlook.BuildsItsToolbarThroughIDispatchFollowsEventsAndGivesEveryReferenceBack' >"$out/load-$arch.out" 2>&1 \
      || { cat "$out/load-$arch.out" >&2; fail "$arch: the installed add-in did not connect to the fake Outlook"; }
    grep -q '\[  PASSED  \] 1 test' "$out/load-$arch.out" || { cat "$out/load-$arch.out" >&2; fail "$arch: the load test did not run"; }
    loaded=", loaded by ProgId and connected to the fake Outlook, its keys exactly DllRegisterServer's"
    # The package's keys are exactly those DllRegisterServer writes.
    view="/reg:${arch#x}"
    [ "$view" = /reg:86 ] && view=/reg:32
    by_package="$(registration "$view")"
    grep -q 'LoadBehavior' <<<"$by_package" || fail "$arch: the package's keys could not be read"
    wine_run regsvr32 /s /u "$installed_dll" && wine_run regsvr32 /s "$installed_dll" \
      || { cat "$out/wine.out" >&2; fail "$arch: regsvr32 of the installed DLL failed"; }
    by_dll="$(registration "$view")"
    [ "$by_package" = "$by_dll" ] || { diff <(echo "$by_package") <(echo "$by_dll") >&2 || true
                                      fail "$arch: the package's registration differs from DllRegisterServer's"; }
  fi
  # The add-in's own log beside the DLL goes with it.
  echo "log line" >"$installed_dir_unix/KVOutlookAddin.log"
  wine_run msiexec /x "$(wine_text winepath -w "$current")" /qn || { cat "$out/wine.out" >&2; fail "$arch did not uninstall"; }
  expect_nothing_left "$arch"
  echo "MSI $arch: built, $lower installed, upgraded to $version$loaded, removed with nothing left"
done
