#!/usr/bin/env bash
# The fuzz stage: every libFuzzer target a few seconds on its corpus, so a
# target that no longer builds or a quick finding is seen. Long runs:
# scripts/fuzz.
set -euo pipefail
KV_FUZZ_SECONDS="${KV_FUZZ_SECONDS:-5}" exec "$(dirname "${BASH_SOURCE[0]}")/../fuzz"
