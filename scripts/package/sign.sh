#!/usr/bin/env bash
# Signs DLLs and MSI packages with Authenticode (osslsigncode):
#   scripts/package/sign.sh FILE...
# The certificate comes from the environment:
#   KV_SIGN_PKCS12         the PKCS#12 file (.p12/.pfx) with certificate and key
#   KV_SIGN_PASSWORD       its password (may be empty)
#   KV_SIGN_TIMESTAMP_URL  an RFC 3161 time-stamp server (optional), so the
#                          signature outlives the certificate
# Without KV_SIGN_PKCS12 nothing is signed and the files stay as they are:
# unsigned builds work as before.
set -euo pipefail

[ $# -gt 0 ] || { echo "usage: $0 FILE..." >&2; exit 2; }
if [ -z "${KV_SIGN_PKCS12:-}" ]; then
  echo "not signed (no KV_SIGN_PKCS12): $*"
  exit 0
fi
[ -f "$KV_SIGN_PKCS12" ] || { echo "$0: no certificate file at $KV_SIGN_PKCS12" >&2; exit 1; }
command -v osslsigncode >/dev/null || { echo "$0: osslsigncode is missing (Debian package osslsigncode)" >&2; exit 1; }

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
# The password goes through a private file, never the command line.
umask 077
printf '%s' "${KV_SIGN_PASSWORD:-}" >"$work/pass"

for file in "$@"; do
  [ -f "$file" ] || { echo "$0: no file $file" >&2; exit 1; }
  args=(sign -pkcs12 "$KV_SIGN_PKCS12" -readpass "$work/pass" -h sha256
        -n "Korvane Outlook Addin" -in "$file" -out "$work/signed")
  [ -n "${KV_SIGN_TIMESTAMP_URL:-}" ] && args+=(-ts "$KV_SIGN_TIMESTAMP_URL")
  osslsigncode "${args[@]}" >"$work/log" 2>&1 || { cat "$work/log" >&2; echo "$0: could not sign $file" >&2; exit 1; }
  # Keep the file's own permissions; only its content changes.
  cat "$work/signed" >"$file"
  rm -f "$work/signed"
  echo "signed: $file"
done
