#!/usr/bin/env bash
# Set-up, build and every test: ./test.sh [ctest arguments, e.g. -L recorder]
set -euo pipefail
cd "$(dirname "$0")"
bash tools/setup.sh
. tools/build.sh
quill_build
ctest --test-dir "$QUILL_BUILD" --output-on-failure --no-tests=error -j"$(nproc)" "$@"
