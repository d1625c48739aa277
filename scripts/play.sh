#!/usr/bin/env bash
# Builds everything and plays the scene in the working directory given (default: demo/).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/setup.sh" build
dir=${1:-$here/demo}
cd "$dir"
exec "$here/build/sarnoj"
