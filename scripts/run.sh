#!/usr/bin/env bash
# Sets up, builds and starts the program.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/setup.sh
bash scripts/build.sh build
exec "$root/build/app/brantle-check" "$@"
