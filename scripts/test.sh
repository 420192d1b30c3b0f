#!/usr/bin/env bash
# Installs what is needed, builds both presets and runs every test
# (unit, headless and the e2e tests of launcher.exe under Wine).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset native >/dev/null
cmake --build --preset native -j2
cmake --preset win32 >/dev/null
cmake --build --preset win32 -j2
ctest --preset native -j2
