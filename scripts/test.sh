#!/usr/bin/env bash
# Installs what the build needs, builds with tests and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-packages.sh
cmake --preset default
cmake --build --preset default
ctest --preset default
