#!/usr/bin/env bash
# The style stage: formatting of the whole tree, static analysis of what changed.
set -euo pipefail
exec "$(dirname "${BASH_SOURCE[0]}")/../lint"
