#!/usr/bin/env bash
# Installs what is missing, builds, and runs the ticker on the bundled demo feeds.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
exec build/pennant --demo "$@"
