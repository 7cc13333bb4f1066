#!/usr/bin/env bash
# Builds the per-user MSI package of the add-in from a built DLL:
#   scripts/package/msi.sh x64|x86 KVOutlookAddin.dll OUTPUT.msi [VERSION]
# VERSION (major.minor.build) defaults to the project's version. One
# UpgradeCode for every version and both architectures: installing any
# package replaces whichever one was there (major upgrade), since both put
# the same DLL name in the same folder and register the same class.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(cd "$here/../.." && pwd)"

usage() { echo "usage: $0 x64|x86 DLL OUTPUT.msi [VERSION]" >&2; exit 2; }
[ $# -ge 3 ] && [ $# -le 4 ] || usage
arch="$1" dll="$2" out="$3"
version="${4:-$(sed -n 's/^project(KVOutlookAddin VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")}"
[ -f "$dll" ] || { echo "$0: no DLL at $dll" >&2; exit 1; }
[[ "$version" =~ ^[0-9]+\.[0-9]+\.[0-9]+$ ]] || { echo "$0: version must be major.minor.build, not '$version'" >&2; exit 1; }
command -v wixl >/dev/null || { echo "$0: wixl is missing (Debian package wixl)" >&2; exit 1; }

upgrade_code='{6B0E8F3A-4C1D-4E57-9A2B-3D7C5E1F0A94}'
case "$arch" in
  x64) platform=x64 win64=yes component='{2F6A1C84-7B3E-4D90-A5C2-8E1D4F6B3A07}' ;;
  x86) platform=x86 win64=no component='{9C3E5A71-0D2B-4F68-B4E1-6A8F2C7D5B13}' ;;
  *) usage ;;
esac

mkdir -p "$(dirname "$out")"
out="$(cd "$(dirname "$out")" && pwd)/$(basename "$out")"
# wixl finds the files of the package relative to the current folder.
cd "$(dirname "$dll")"
wixl -a "$platform" -o "$out" \
  -D Version="$version" -D Platform="$platform" -D Win64="$win64" -D Dll="$(basename "$dll")" \
  -D UpgradeCode="$upgrade_code" -D ComponentGuid="$component" \
  "$here/KVOutlookAddin.wxs"

# The add-in writes its log beside the DLL; uninstalling takes it along, so
# the folder can go too. (wixl has no RemoveFile element; the row is added.)
msibuild "$out" -q "INSERT INTO \`RemoveFile\` (\`FileKey\`, \`Component_\`, \`FileName\`, \`DirProperty\`, \`InstallMode\`) VALUES ('RemoveAddinLog', 'Addin', 'KVOutlookAddin.log', 'INSTALLDIR', 2)"
echo "$out: Korvane Outlook Addin $version ($platform)"
