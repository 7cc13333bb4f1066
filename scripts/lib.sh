# Shared by the project's scripts: root handling and package installation.
# Package lists live in scripts/deps/*.txt, one package a line, so every part
# of the project names what it needs beside the others.

KV_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

kv_as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# Installs every package of the given lists (default: all lists but those of a
# test stage, marked "# stage: NAME", which the stage installs itself) that is
# not installed yet. apt-get update runs only when something is missing.
kv_install_packages() {
  local lists=("$@")
  [ ${#lists[@]} -gt 0 ] || mapfile -t lists < <(grep -L '^# stage: ' "$KV_ROOT"/scripts/deps/*.txt)
  local wanted=() missing=() pkg
  mapfile -t wanted < <(grep -hv '^\s*#' "${lists[@]}" | tr -s ' \t' '\n' | sed '/^$/d' | sort -u)
  for pkg in "${wanted[@]}"; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || missing+=("$pkg")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "== installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    kv_as_root apt-get update -q
    kv_as_root apt-get install -y --no-install-recommends "${missing[@]}"
  fi
}

kv_jobs() { nproc 2>/dev/null || echo 2; }

# Prints a fresh scratch folder in memory (/dev/shm) for tests' temporary
# files, or nothing where there is none. The tests make thousands of small
# folders, and on a virtual disk creating them is most of the suite's time.
kv_memory_scratch() {
  local dir
  if [ -d /dev/shm ] && [ -w /dev/shm ] && dir="$(mktemp -d /dev/shm/kv-tests.XXXXXX)"; then
    # Open to all, as /tmp is: the database server some tests start runs as
    # its own user.
    chmod 1777 "$dir" && echo "$dir"
  fi
}
