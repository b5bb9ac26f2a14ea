#!/usr/bin/env bash
# Set-up, build and every test: ./test.sh [ctest arguments, e.g. -L recorder]
set -euo pipefail
cd "$(dirname "$0")"
bash tools/setup.sh
. tools/build.sh
quill_build
# A test that fails is run once more: Wine's media session can stall under heavy load (CTest's log
# keeps the first failure: Testing/Temporary/LastTest.log).
ctest --test-dir "$QUILL_BUILD" --output-on-failure --no-tests=error --repeat until-pass:2 -j"$(nproc)" "$@"
